#include "Screens.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QWidget>

namespace {

void ModelTexts(const QAbstractItemModel& model, const QModelIndex& parent, QStringList& texts)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        texts << model.data(index, Qt::DisplayRole).toString().split(QLatin1Char('\n'));
        ModelTexts(model, index, texts);
    }
}

bool InScrollArea(const QWidget& widget, const QWidget& window)
{
    for (const QWidget* up = widget.parentWidget(); up && up != &window; up = up->parentWidget()) {
        if (dynamic_cast<const QScrollArea*>(up))
            return true;
    }
    return false;
}

QString NameOf(const QWidget& widget, const QString& text)
{
    return QString::fromLatin1(widget.metaObject()->className()) + QStringLiteral(" \"") + text +
           QLatin1Char('"');
}

// Why the text of `widget` does not fit; empty when it does.
QString TextProblem(const QWidget& widget)
{
    if (const auto* label = dynamic_cast<const QLabel*>(&widget)) {
        if (label->text().isEmpty())
            return {};
        if (label->wordWrap() ? label->heightForWidth(label->width()) > label->height()
                              : label->sizeHint().width() > label->width())
            return NameOf(widget, label->text()) + QStringLiteral(" is cut off");
        return {};
    }
    if (const auto* button = dynamic_cast<const QAbstractButton*>(&widget)) {
        if (!button->text().isEmpty() && button->sizeHint().width() > button->width())
            return NameOf(widget, button->text()) + QStringLiteral(" is cut off");
        return {};
    }
    if (const auto* combo = dynamic_cast<const QComboBox*>(&widget)) {
        if (combo->minimumSizeHint().width() > combo->width())
            return NameOf(widget, combo->currentText()) + QStringLiteral(" is cut off");
    }
    return {};
}

} // namespace

bool SaveCapture(QWidget& window, const QString& name)
{
    const QString folder = QStringLiteral(LUMENO_CAPTURE_DIR);
    QDir().mkpath(folder);
    return window.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

QStringList VisibleTexts(const QWidget& window)
{
    QStringList texts{window.windowTitle()};
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window))
            continue;
        if (const auto* label = dynamic_cast<const QLabel*>(widget))
            texts << label->text().split(QLatin1Char('\n'));
        else if (const auto* button = dynamic_cast<const QAbstractButton*>(widget))
            texts << button->text();
        else if (const auto* combo = dynamic_cast<const QComboBox*>(widget))
            texts << combo->currentText();
        else if (const auto* field = dynamic_cast<const QLineEdit*>(widget))
            texts << field->displayText();
        else if (const auto* area = dynamic_cast<const QPlainTextEdit*>(widget))
            texts << area->toPlainText().split(QLatin1Char('\n'));
        else if (const auto* view = dynamic_cast<const QAbstractItemView*>(widget); view && view->model())
            ModelTexts(*view->model(), view->rootIndex(), texts);
    }
    texts.removeAll(QString());
    return texts;
}

QStringList CutOff(const QWidget& window)
{
    QStringList problems;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window))
            continue;
        const bool scrolled = InScrollArea(*widget, window);
        const QRect placed(widget->mapTo(&window, QPoint(0, 0)), widget->size());
        if (!scrolled && !window.rect().contains(placed))
            problems << NameOf(*widget, widget->objectName()) + QStringLiteral(" reaches out of the window");
        if (QString problem = TextProblem(*widget); !problem.isEmpty())
            problems << problem;
    }
    return problems;
}

QPalette DarkPalette()
{
    QPalette palette;
    const QColor window(45, 45, 48);
    const QColor base(30, 30, 32);
    const QColor text(230, 230, 230);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, QColor(42, 110, 190));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    palette.setColor(QPalette::Midlight, QColor(70, 70, 74));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 130, 130));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(130, 130, 130));
    return palette;
}
