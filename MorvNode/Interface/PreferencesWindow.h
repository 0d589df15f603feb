#pragma once

#include <map>
#include <string>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

// The preferences window: check boxes, the appearance mode, the new-document size and the
// copy size units, filled from the user defaults when shown and stored only by Save. Choosing
// a mode applies it at once; Cancel applies the stored mode again. Main thread only.
class PreferencesWindow : public QDialog {
  Q_OBJECT

public:
  explicit PreferencesWindow(QWidget* parent = nullptr);

  // Fills the controls from the store, centres the window and brings it to the front.
  void showPreferences();
  // Save stores every control and synchronises the store; cancel stores nothing.
  void closePreferencesWindow(bool save);
  // Clamps both size fields to 1 ... 20000, X first.
  void preferencesCheckDefaultSize();

  QCheckBox* checkBox(const std::string& key) const;
  QComboBox* interfaceModePopUp() const { return interfaceMode_; }
  QComboBox* sizeUnitsPopUp() const { return sizeUnits_; }
  QLineEdit* sizeFieldX() const { return sizeX_; }
  QLineEdit* sizeFieldY() const { return sizeY_; }

signals:
  void closed();

protected:
  void reject() override;

private:
  std::map<std::string, QCheckBox*> checkBoxes_;  // children, by preference key
  QComboBox* interfaceMode_ = nullptr;
  QComboBox* sizeUnits_ = nullptr;
  QLineEdit* sizeX_ = nullptr;
  QLineEdit* sizeY_ = nullptr;
};
