#include "TextViewer.h"

#include "Pictures.h"
#include "QtText.h"
#include "service/BrandingTexts.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {
} // namespace

CTextViewer::CTextViewer(const QString& title, const QString& body, QWidget* parent)
    : CHandsetDialog(parent, title), m_text(new QPlainTextEdit(this))
{
    m_text->setReadOnly(true);
    m_text->setPlainText(body);
    m_text->moveCursor(QTextCursor::Start);
    CHandsetDialog::Body().addWidget(m_text);
    CSoftKeys::SetCommand(Keys().Left(), Text(kTextOk), [this] { accept(); });
    Keys().Right().hide();
}

CAboutBox::CAboutBox(const QString& text, QWidget* parent) : CHandsetDialog(parent, Text(kTextAbout))
{
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(96, 96));
    icon->setAlignment(Qt::AlignCenter);
    auto* words = new QLabel(text, this);
    words->setObjectName(QStringLiteral("aboutText"));
    words->setWordWrap(true);
    words->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Body().addStretch(1);
    Body().addWidget(icon);
    Body().addSpacing(12);
    Body().addWidget(words);
    Body().addStretch(2);
    CSoftKeys::SetCommand(Keys().Left(), Text(kTextOk), [this] { accept(); });
    Keys().Right().hide();
}
