#include "GenericWindow.h"

#include "QtText.h"
#include "core/GenericDlg.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

// The password character of the handset's fields.
class CStarPasswordStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

} // namespace

CGenericWindow::CGenericWindow(GenericDlg& dialog, QWidget* parent)
    : CHandsetDialog(parent, DisplayText(dialog.Title())), m_dialog(dialog),
      m_message(new QLabel(DisplayText(dialog.Message()))), m_stopBox(new QCheckBox(this)),
      m_input(new QLineEdit(this))
{
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setObjectName(QStringLiteral("message"));

    m_input->setVisible(dialog.HasInput());
    m_input->setText(DisplayText(dialog.Typed()));
    if (dialog.IsPassword()) {
        auto* style = new CStarPasswordStyle;
        style->setParent(m_input);
        m_input->setStyle(style);
        m_input->setEchoMode(QLineEdit::Password);
    }
    if (dialog.IsNumeric())
        m_input->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_input));
    connect(m_input, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_dialog.SetTyped(FromQString(text)))
            m_input->setText(DisplayText(m_dialog.Typed()));
    });

    m_stopBox->setVisible(dialog.HasStopBox());
    m_stopBox->setText(DisplayText(dialog.StopLabel()));
    m_stopBox->setChecked(dialog.StopTicked());
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_message);
    column->addSpacing(6);
    column->addWidget(m_input);
    column->addWidget(m_stopBox);
    column->addStretch(1);
    AddScrolledPage(page);

    CSoftKeys::SetCommand(Keys().Left(), DisplayText(dialog.LeftLabel()),
                          [this] { Press(m_dialog, [](GenericDlg& model) { model.PressLeft(); }); });
    CSoftKeys::SetCommand(Keys().Right(), DisplayText(dialog.RightLabel()),
                          [this] { Press(m_dialog, [](GenericDlg& model) { model.PressRight(); }); });
}

void CGenericWindow::Press(GenericDlg& dialog, void (*key)(GenericDlg&))
{
    dialog.SetStopTicked(m_stopBox->isChecked());
    key(dialog);
    if (!dialog.IsOpen())
        done(static_cast<int>(dialog.State()));
}

void CGenericWindow::accept()
{
    Press(m_dialog, [](GenericDlg& model) { model.PressOk(); });
}

void CGenericWindow::reject()
{
    Press(m_dialog, [](GenericDlg& model) { model.PressCancel(); });
}

void CGenericWindow::showEvent(QShowEvent* event)
{
    CHandsetDialog::showEvent(event);
    if (m_dialog.HasInput())
        m_input->setFocus();
}

void CGenericWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    CHandsetDialog::keyPressEvent(event);
}
