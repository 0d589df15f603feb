#include "MorvNode/Interface/QtAlertPresenter.h"

#include <QMessageBox>
#include <QString>

void QtAlertPresenter::presentAlert(const std::string& title, const std::string& text)
{
  QMessageBox box;
  box.setIcon(QMessageBox::Warning);
  box.setText(QString::fromStdString(title));
  box.setInformativeText(QString::fromStdString(text));
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}
