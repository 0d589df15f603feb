#pragma once

#include <functional>
#include <string>

#include <QString>

#include "MorvNode/Inspector/MVParameterView.h"
#include "Shared/ODDropView/ODDropViewDelegate.h"

class MVParameterFile;
class ODDropView;
class QLabel;
class QPushButton;

// The row of an imported-file parameter: a thumbnail, the file's name, a line with its size
// (pixels, vector points or image points), a "Browse..." button, and a drop target over the
// whole row. A click anywhere on the row opens the file chooser; a chosen or dropped file is
// handed to the parameter, which keeps its previous file (and the user sees an alert) when the
// data cannot be read.
class MVParameterFileView : public MVParameterView, public ODDropViewDelegate {
  Q_OBJECT

public:
  // Asks the user for a file to open; an empty text when cancelled. The default runs the
  // desktop's open dialog.
  using FileChooser = std::function<QString(QWidget* parent, const QString& title, const QString& filter)>;

  explicit MVParameterFileView(QWidget* parent = nullptr);

  void setParameter(MVParameter* parameter) override;
  void initInterface() override;
  void updateInterface() override;
  // "pixels W x H px", "vectors W x H", "image W x H" or "Unknown size".
  std::string graphicSizeDescriptionString() const;
  // Opens the chooser and loads the chosen file.
  void browseFile();
  // Loads a file's data into the parameter; false (with the alert) when it is refused.
  bool loadFile(const QString& path);
  bool dropView(ODDropView* view, const QUrl& droppedFile) override;

  void setFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }

  QPushButton* browseButton() const { return browseButton_; }
  QLabel* filePreviewView() const { return filePreviewView_; }
  QLabel* fileNameLabel() const { return fileNameLabel_; }
  QLabel* fileInfoLabel() const { return fileInfoLabel_; }
  ODDropView* dropViewControl() const { return dropView_; }

protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void placeDropView();

  MVParameterFile* parameter_ = nullptr;  // owned by its node; cleared when it goes
  QPushButton* browseButton_ = nullptr;    // children
  QLabel* filePreviewView_ = nullptr;
  QLabel* fileNameLabel_ = nullptr;
  QLabel* fileInfoLabel_ = nullptr;
  ODDropView* dropView_ = nullptr;
  FileChooser fileChooser_;
  bool mouseDownInRow_ = false;
};
