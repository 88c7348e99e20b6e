#include "MessageBoxes.h"

#include "QtText.h"
#include "platform/UiPort.h"
#include "service/BrandingTexts.h"

#include <QPushButton>

#include <vector>

namespace {


struct BoxButton {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<BoxButton> ButtonsOf(unsigned type)
{
    switch (type & 0xFu) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    default:
        return {{QMessageBox::Ok, IDOK}};
    }
}

} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, std::u16string_view text,
                                            std::u16string_view caption, unsigned type)
{
    const std::vector<BoxButton> buttons = ButtonsOf(type);
    auto box =
        std::make_unique<QMessageBox>(buttons.size() == 1 ? QMessageBox::Information : QMessageBox::Question,
                                      DisplayText(caption), DisplayText(text), QMessageBox::NoButton, parent);
    for (const BoxButton& button : buttons) {
        QPushButton* shown = box->addButton(button.button);
        if (button.button == QMessageBox::Ok)
            shown->setText(Text(kTextOk));
        else if (button.button == QMessageBox::Cancel)
            shown->setText(Text(kTextCancel));
    }
    box->setEscapeButton(buttons.back().button);
    return box;
}

int RunMessageBox(QMessageBox& box, unsigned type)
{
    const std::vector<BoxButton> buttons = ButtonsOf(type);
    const auto chosen = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const BoxButton& button : buttons) {
        if (button.button == chosen)
            return button.answer;
    }
    return buttons.back().answer;
}
