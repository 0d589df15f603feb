#pragma once

#include <functional>
#include <string>

#include <QDialog>

class QFontComboBox;
class QListWidget;

// The one shared font panel of the font rows: a family list and the faces of the chosen family,
// without sizes (a font parameter keeps its size). Non-modal; it closes as soon as it stops
// being the active window. The row that opened it last receives the chosen faces. Main thread
// only.
class MVFontPanel : public QDialog {
  Q_OBJECT

public:
  using FaceChosen = std::function<void(const std::string& postScriptName)>;

  static MVFontPanel* sharedFontPanel();
  static MVFontPanel* existingFontPanel();

  // Shows the panel with the face selected; `chosen` is called with the PostScript name of every
  // face the user picks until the panel is opened for someone else. `owner` identifies the row.
  void openFor(const void* owner, const std::string& familyName, const std::string& postScriptName, FaceChosen chosen);
  // The row goes away: it no longer receives faces.
  void release(const void* owner);

  // The PostScript name of a face (from the font's own name table), "" when it has none.
  static std::string postScriptNameOfFace(const QString& family, const QString& style);

  QFontComboBox* familyBox() const { return familyBox_; }
  QListWidget* faceList() const { return faceList_; }
  // Chooses a face as the user would.
  void chooseFace(const QString& family, const QString& style);

protected:
  bool event(QEvent* event) override;

private:
  MVFontPanel();
  void fillFaces(const QString& family);

  QFontComboBox* familyBox_ = nullptr;  // children
  QListWidget* faceList_ = nullptr;
  const void* owner_ = nullptr;
  FaceChosen chosen_;
  bool filling_ = false;
};
