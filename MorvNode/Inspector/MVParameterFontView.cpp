#include "MorvNode/Inspector/MVParameterFontView.h"

#include <QPushButton>

#include "MorvNode/Inspector/MVFontPanel.h"
#include "MorvNode/Model/MVParameterFont.h"
#include "Platform/Font.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

MVParameterFontView::MVParameterFontView(QWidget* parent) : MVParameterView(parent) {}

MVParameterFontView::~MVParameterFontView()
{
  if (MVFontPanel* panel = MVFontPanel::existingFontPanel()) {
    panel->release(this);
  }
}

void MVParameterFontView::setParameter(MVParameter* parameter)
{
  parameter_ = dynamic_cast<MVParameterFont*>(parameter);
  if (parameter == nullptr) {
    if (MVFontPanel* panel = MVFontPanel::existingFontPanel()) {
      panel->release(this);
    }
  }
  MVParameterView::setParameter(parameter);
}

void MVParameterFontView::initInterface()
{
  setLayoutSpaceBelow(2);
  MVParameterView::initInterface();
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, %@ initInterface called with no parameter set", description());
    return;
  }
  const int top = static_cast<int>(interfaceBuildingPositionY());
  fontButton_ = new QPushButton(tr("Change font"), this);
  QFont small = fontButton_->font();
  small.setPixelSize(10);
  fontButton_->setFont(small);
  fontButton_->setToolTip(QString::fromStdString(parameter_->tooltip()));
  fontButton_->setGeometry(4, top, std::max(0, width() - 6), 24);
  connect(fontButton_, &QPushButton::clicked, this, [this] { openFontPanel(); });
  setInterfaceBuildingPositionY(top + 24);
}

void MVParameterFontView::updateInterface()
{
  if (parameter_ != nullptr && fontButton_ != nullptr) {
    const std::optional<pf::Font>& font = parameter_->font();
    if (font.has_value()) {
      fontButton_->setText(QString::fromStdString(font->fontName()));
    }
    fontButton_->setHidden(!parameter_->enabled());
  }
  MVParameterView::updateInterface();
}

void MVParameterFontView::openFontPanel()
{
  if (parameter_ == nullptr) {
    return;
  }
  const std::optional<pf::Font>& font = parameter_->font();
  MVFontPanel::sharedFontPanel()->openFor(this, font ? font->familyName() : std::string(),
                                          font ? font->fontName() : std::string(),
                                          [this](const std::string& name) { changeFont(name); });
}

void MVParameterFontView::changeFont(const std::string& postScriptName)
{
  if (parameter_ == nullptr) {
    return;
  }
  const double size = parameter_->font() ? parameter_->font()->pointSize() : 12.0;
  std::optional<pf::Font> font = pf::Font::named(postScriptName, size);
  if (font.has_value()) {
    parameter_->setFont(font);
  }
}
