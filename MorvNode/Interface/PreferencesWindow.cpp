#include "MorvNode/Interface/PreferencesWindow.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "MorvNode/Interface/InterfaceHelper.h"
#include "Platform/Format.h"
#include "Platform/UserDefaults.h"

namespace {

struct CheckBoxPreference {
  const char* key;
  const char* title;
};

// In the order Save stores them (the size fields come between the two groups).
constexpr CheckBoxPreference kFirstCheckBoxes[] = {
    {"Snap nodes to grid", "Snap nodes to grid"},
    {"Automatically move connected nodes", "Automatically move connected nodes"},
    {"Auto connect new Element nodes", "Auto connect new element nodes"},
    {"Enable new change node defaults", "New change nodes use the newer defaults"},
    {"Add nodes by dragging new connection", "Add nodes by dragging a new connection"},
    {"Enable Scroll Wheel Value Editing", "Edit values with the scroll wheel"},
    {"Show deprecation warnings", "Show deprecation warnings"},
    {"Open New Document At Startup", "Open a new document at start-up"},
    {"New document include default nodes", "New documents include the default nodes"},
};
constexpr CheckBoxPreference kSecondCheckBoxes[] = {
    {"Clipping rendering sub-pixel overlaps", "Clipping covers sub-pixel overlaps"},
    {"Paste vector graphics as custom shapes", "Paste vector graphics as custom shapes"},
    {"Copy scaled to display scale", "Copy scaled to the display scale"},
    {"Copy always include clipping rect", "Copy always includes the clipping rectangle"},
};

double clampedSize(const QLineEdit& field)
{
  bool ok = false;
  const double value = field.text().trimmed().toDouble(&ok);
  if (!ok || std::isnan(value)) {
    return 1.0;
  }
  return std::clamp(value, 1.0, 20000.0);
}

QString sizeText(double value)
{
  return QString::fromStdString(pf::format("%g", value));
}

}  // namespace

PreferencesWindow::PreferencesWindow(QWidget* parent)
  : QDialog(parent)
{
  setWindowTitle(tr("Preferences"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  interfaceMode_ = new QComboBox(this);
  interfaceMode_->addItems({tr("Follow the desktop"), tr("Light"), tr("Dark")});
  connect(interfaceMode_, &QComboBox::activated, this,
          [this](int index) { InterfaceHelper::setInterfaceMode(index); });
  form->addRow(tr("Appearance:"), interfaceMode_);
  layout->addLayout(form);
  for (const CheckBoxPreference& preference : kFirstCheckBoxes) {
    auto* box = new QCheckBox(tr(preference.title), this);
    checkBoxes_[preference.key] = box;
    layout->addWidget(box);
  }
  for (const CheckBoxPreference& preference : kSecondCheckBoxes) {
    auto* box = new QCheckBox(tr(preference.title), this);
    checkBoxes_[preference.key] = box;
    layout->addWidget(box);
  }
  auto* sizes = new QFormLayout;
  sizeX_ = new QLineEdit(this);
  sizeY_ = new QLineEdit(this);
  connect(sizeX_, &QLineEdit::editingFinished, this, [this] { preferencesCheckDefaultSize(); });
  connect(sizeY_, &QLineEdit::editingFinished, this, [this] { preferencesCheckDefaultSize(); });
  sizes->addRow(tr("New document width:"), sizeX_);
  sizes->addRow(tr("New document height:"), sizeY_);
  sizeUnits_ = new QComboBox(this);
  // The indexes are what image export reads.
  sizeUnits_->addItems({tr("Points"), tr("Pixels"), tr("Millimetres"), tr("Centimetres"), tr("Inches")});
  sizes->addRow(tr("Copied vectors size units:"), sizeUnits_);
  layout->addLayout(sizes);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { closePreferencesWindow(true); });
  connect(buttons, &QDialogButtonBox::rejected, this, [this] { closePreferencesWindow(false); });
  layout->addWidget(buttons);
}

QCheckBox* PreferencesWindow::checkBox(const std::string& key) const
{
  const auto found = checkBoxes_.find(key);
  return found == checkBoxes_.end() ? nullptr : found->second;
}

void PreferencesWindow::showPreferences()
{
  pf::UserDefaults& defaults = pf::UserDefaults::standard();
  interfaceMode_->setEnabled(InterfaceHelper::darkModeAvailable());
  interfaceMode_->setCurrentIndex(static_cast<int>(std::clamp(defaults.integerForKey("Interface Mode"), 0LL, 2LL)));
  for (const auto& [key, box] : checkBoxes_) {
    box->setChecked(defaults.boolForKey(key));
  }
  sizeX_->setText(sizeText(defaults.doubleForKey("New document default size X")));
  sizeY_->setText(sizeText(defaults.doubleForKey("New document default size Y")));
  sizeUnits_->setCurrentIndex(
      static_cast<int>(std::clamp(defaults.integerForKey("Copy vectors size units"), 0LL, 4LL)));
  adjustSize();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  show();
  raise();
  activateWindow();
}

void PreferencesWindow::preferencesCheckDefaultSize()
{
  sizeX_->setText(sizeText(clampedSize(*sizeX_)));
  sizeY_->setText(sizeText(clampedSize(*sizeY_)));
}

void PreferencesWindow::closePreferencesWindow(bool save)
{
  pf::UserDefaults& defaults = pf::UserDefaults::standard();
  if (save) {
    defaults.setInteger("Interface Mode", interfaceMode_->currentIndex());
    for (const CheckBoxPreference& preference : kFirstCheckBoxes) {
      defaults.setBool(preference.key, checkBoxes_.at(preference.key)->isChecked());
    }
    preferencesCheckDefaultSize();
    defaults.setDouble("New document default size X", clampedSize(*sizeX_));
    defaults.setDouble("New document default size Y", clampedSize(*sizeY_));
    for (const CheckBoxPreference& preference : kSecondCheckBoxes) {
      defaults.setBool(preference.key, checkBoxes_.at(preference.key)->isChecked());
    }
    defaults.setInteger("Copy vectors size units", sizeUnits_->currentIndex());
    defaults.synchronize();
  } else {
    // A mode tried out in the pop-up goes back to the stored one.
    InterfaceHelper::setInterfaceMode(defaults.integerForKey("Interface Mode"));
  }
  hide();
  emit closed();
}

void PreferencesWindow::reject()
{
  closePreferencesWindow(false);
}
