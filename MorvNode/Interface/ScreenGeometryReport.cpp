#include "MorvNode/Interface/ScreenGeometryReport.h"

#include <cxxabi.h>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>
#include <QTextStream>
#include <QWidget>

#include "MorvNode/Editor/MVConnectionView.h"
#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Inspector/MVParameterSocketView.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterSocket.h"

namespace {

constexpr int kPollInterval = 50;  // milliseconds

// One field: no tabs or line breaks inside, and mnemonic marks left out (what the user reads).
QString field(QString text)
{
  text.replace(QLatin1Char('\t'), QLatin1Char(' '));
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  text.replace(QLatin1Char('\r'), QLatin1Char(' '));
  text.remove(QStringLiteral("&&"));
  text.remove(QLatin1Char('&'));
  return text;
}

// The most derived C++ class: many of our widgets have no meta-object of their own.
QString className(const QObject& object)
{
  const char* mangled = typeid(object).name();
  int status = 0;
  const std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
  return QString::fromLatin1(status == 0 && name != nullptr ? name.get() : mangled);
}

QString rectFields(const QRect& rect)
{
  return QStringLiteral("%1\t%2\t%3\t%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

QRect globalRect(const QWidget& widget)
{
  return QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size());
}

QString textOf(const QWidget& widget)
{
  if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
    return button->text();
  }
  if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
    return label->text();
  }
  if (const auto* line = qobject_cast<const QLineEdit*>(&widget)) {
    return line->text();
  }
  if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) {
    return combo->currentText();
  }
  if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(&widget)) {
    return spin->text();
  }
  return {};
}

// The items of a menu or a menu bar (whose title is empty).
template <typename Menu>
void describeMenu(const Menu& menu, const QString& title, QTextStream& out)
{
  for (QAction* action : menu.actions()) {
    if (action->isSeparator() || !action->isVisible()) {
      continue;
    }
    const QRect local = menu.actionGeometry(action);
    if (local.isEmpty()) {
      continue;
    }
    out << "menuitem\t" << field(title) << '\t' << field(action->text()) << '\t'
        << rectFields(QRect(menu.mapToGlobal(local.topLeft()), local.size())) << '\t' << (action->isEnabled() ? 1 : 0)
        << '\t' << (action->menu() != nullptr ? 1 : 0) << '\n';
  }
}

void describeItems(const QAbstractItemView& view, QTextStream& out)
{
  const QAbstractItemModel* model = view.model();
  if (model == nullptr) {
    return;
  }
  const QRect visible = view.viewport()->rect();
  for (int row = 0; row < model->rowCount(view.rootIndex()); ++row) {
    const QModelIndex index = model->index(row, 0, view.rootIndex());
    const QRect local = view.visualRect(index);
    if (local.isEmpty() || !visible.intersects(local)) {
      continue;
    }
    out << "item\t" << className(view) << '\t' << field(model->data(index).toString()) << '\t'
        << rectFields(QRect(view.viewport()->mapToGlobal(local.topLeft()), local.size())) << '\n';
  }
}

void describeWidget(const QWidget& widget, QTextStream& out)
{
  if (const auto* node = dynamic_cast<const MVNodeView*>(&widget); node != nullptr && node->node() != nullptr) {
    out << "node\t" << QString::fromStdString(node->node()->nodeId()) << '\t'
        << field(QString::fromStdString(node->node()->displayName())) << '\t' << rectFields(globalRect(widget)) << '\t'
        << (node->node()->selected() ? 1 : 0) << '\n';
  }
  if (const auto* row = dynamic_cast<const MVParameterView*>(&widget); row != nullptr && row->parameter() != nullptr) {
    const MVNode* node = row->parameter()->node();
    out << "row\t" << (node != nullptr ? QString::fromStdString(node->nodeId()) : QString()) << '\t'
        << field(QString::fromStdString(row->parameter()->name())) << '\t' << rectFields(globalRect(widget)) << '\n';
  }
  if (const auto* marker = dynamic_cast<const MVParameterSocketView*>(&widget);
      marker != nullptr && marker->socket() != nullptr && marker->socket()->parameter() != nullptr) {
    const MVParameter* parameter = marker->socket()->parameter();
    const MVNode* node = parameter->node();
    const QPoint centre = widget.mapToGlobal(QPoint(MVParameterSocketView::kSize / 2, MVParameterSocketView::kSize / 2));
    out << "socket\t" << (node != nullptr ? QString::fromStdString(node->nodeId()) : QString()) << '\t'
        << field(QString::fromStdString(parameter->name())) << '\t'
        << (marker->socket()->socketDirection() == MVSocketDirection::Input ? "in" : "out") << '\t'
        << marker->socket()->socketIndex() << '\t' << centre.x() << '\t' << centre.y() << '\n';
  }
  out << "widget\t" << className(widget) << '\t' << field(widget.objectName()) << '\t'
      << field(textOf(widget)) << '\t' << rectFields(globalRect(widget)) << '\t' << (widget.isEnabled() ? 1 : 0) << '\t'
      << (widget.hasFocus() ? 1 : 0) << '\n';
  if (const auto* menu = qobject_cast<const QMenu*>(&widget)) {
    describeMenu(*menu, menu->title(), out);
  }
  if (const auto* bar = qobject_cast<const QMenuBar*>(&widget)) {
    describeMenu(*bar, QString(), out);
  }
  if (const auto* view = qobject_cast<const QAbstractItemView*>(&widget)) {
    describeItems(*view, out);
  }
  for (const QObject* child : widget.children()) {
    const auto* childWidget = qobject_cast<const QWidget*>(child);
    if (childWidget == nullptr || childWidget->isWindow()) {
      continue;
    }
    if (childWidget->isVisible()) {
      describeWidget(*childWidget, out);
    } else if (const auto* curve = dynamic_cast<const MVConnectionView*>(childWidget);
               curve != nullptr && curve->isDrawnByCanvas() && !curve->isRemoved() && curve->connection() != nullptr) {
      // The canvas draws the curve; its hidden view still spans it.
      out << "widget\tMVConnectionView\t\t\t" << rectFields(globalRect(*childWidget)) << "\t1\t0\n";
    }
  }
}

}  // namespace

ScreenGeometryReport* ScreenGeometryReport::startFromEnvironment(QObject* parent)
{
  const QString path = qEnvironmentVariable("MORVALIS_SCREEN_GEOMETRY");
  return path.isEmpty() ? nullptr : new ScreenGeometryReport(path, parent);
}

ScreenGeometryReport::ScreenGeometryReport(QString path, QObject* parent)
  : QObject(parent), path_(std::move(path))
{
  connect(&timer_, &QTimer::timeout, this, &ScreenGeometryReport::writeIfChanged);
  timer_.start(kPollInterval);
}

QString ScreenGeometryReport::describeScreen()
{
  QString text;
  QTextStream out(&text);
  for (const QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible()) {
      continue;
    }
    out << "window\t" << className(*window) << '\t' << field(window->windowTitle()) << '\t'
        << rectFields(globalRect(*window)) << '\t' << (window->isActiveWindow() ? 1 : 0) << '\n';
    describeWidget(*window, out);
  }
  return text;
}

void ScreenGeometryReport::writeIfChanged()
{
  const QString text = describeScreen();
  if (text == written_) {
    return;
  }
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
    return;  // the next poll tries again
  }
  written_ = text;
}
