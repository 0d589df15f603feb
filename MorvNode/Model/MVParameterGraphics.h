#pragma once

#include <memory>
#include <string>

#include "MorvNode/Model/MVParameter.h"

class MVElement;
class MVParameterGraphicsSource;

// A parameter carrying element trees between nodes: its input socket receives the tree of an
// upstream node, its graphics source (normally its own node) turns that input into the node's
// output, and its output socket hands the result on. The result is computed once per change
// and cached; readers share the cached tree, which nobody changes once it is published.
// It also builds the preview the node's box shows. Main thread only.
class MVParameterGraphics : public MVParameter {
public:
  static std::unique_ptr<MVParameterGraphics> parameterWithName(const std::string& name);

  MVParameterGraphics();

  std::string_view className() const override { return "MVParameterGraphics"; }
  std::string parameterViewClass() const override { return "MVParameterGraphicsView"; }
  void setupSockets() override;

  // The node that builds the output; not owned.
  MVParameterGraphicsSource* graphicsSource() const { return graphicsSource_; }
  void setGraphicsSource(MVParameterGraphicsSource* source) { graphicsSource_ = source; }
  bool hasValueSource() const override { return graphicsSource_ != nullptr; }

  // The row shows a preview of the element.
  bool layoutHasPreview() const { return layoutHasPreview_; }
  void setLayoutHasPreview(bool hasPreview) { layoutHasPreview_ = hasPreview; }
  bool hasPreview() const override;

  // What the input socket's connections deliver (several are gathered into one group);
  // nullptr without an input socket or connection.
  std::shared_ptr<const MVElement> inputElement() const;
  // The output: recomputed from the input by the graphics source when the parameter was
  // changed, else the cache itself (nullptr when there is none). Never changed afterwards.
  std::shared_ptr<const MVElement> element() override;
  // Step 0 the parameter, 1 the first lines of its source and of the cached element a pull
  // releases, then the source's steps beside the element's.
  void prefetchElementPull(int step) const override;
  // The last computed output, as cached; nullptr before the first pull.
  const std::shared_ptr<const MVElement>& cachedElement() const { return cachedElement_; }
  // The preview built from the cache by the graphics source (a copy of the cache without
  // one), rebuilt only after the cache changed; nullptr without a cache. Shared with whoever
  // draws it: never changed once built.
  std::shared_ptr<const MVElement> previewElement();
  // True while the graphics source builds the element.
  bool isGenerating() const { return generating_; }

  // The push: marks the output stale, tells the node and passes the change downstream. A
  // change caused by the graphics source while it builds is dropped. A parameter that shows a
  // preview and has nothing downstream asks for a regeneration (unless its input socket is
  // unconnected), so that its preview refreshes.
  void inputChanged() override;
  void inputChangedSocket(int index) override;

protected:
  MVParameterGraphicsSource* graphicsSource_ = nullptr;  // a node, outlives this parameter

private:
  std::shared_ptr<const MVElement> cachedElement_;
  std::shared_ptr<const MVElement> previewElement_;
  bool layoutHasPreview_ = true;
  bool generating_ = false;
  bool previewNeedsUpdate_ = false;
  bool inInputChanged_ = false;  // a push arriving while this one runs is dropped
};
