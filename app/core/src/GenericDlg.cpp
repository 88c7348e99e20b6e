#include "core/GenericDlg.h"

#include "platform/UiPort.h"
#include "service/CBrandingGuide.h"

#include <algorithm>

GenericDlg::GenericDlg(ServerDialogRecord& record)
    : m_record(record), m_typed(record.hasInput ? record.inputValue : std::u16string()),
      m_stopTicked(HasStopBox() && record.stopDefault != 0)
{}

std::u16string GenericDlg::Shown() const
{
    return IsPassword() ? std::u16string(m_typed.size(), u'*') : m_typed;
}

bool GenericDlg::SetTyped(std::u16string text)
{
    if (IsNumeric() &&
        !std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }))
        return false;
    m_typed = std::move(text);
    return true;
}

GenericDlg::Result GenericDlg::PressLeft()
{
    if (HasInput() && m_typed.empty()) {
        CUiPort::Get().MessageBox(0, BrandingText(kEmptyInputText), m_record.title, MB_OK);
        return m_state;
    }
    // The chosen button is written only once the dialog closes: a refused left key followed by
    // Cancel must not leave "yes" in the record.
    m_record.chosenButton = kButtonYes;
    if (HasInput())
        m_record.inputValue = IsPassword() ? m_typed : LowerCaseText(m_typed);
    m_record.hasStopDialog = m_stopTicked ? 1 : 0;
    m_state = Result::Left;
    return m_state;
}

GenericDlg::Result GenericDlg::PressRight()
{
    m_record.chosenButton = kButtonNo;
    m_state = Result::Right;
    return m_state;
}

GenericDlg::Result GenericDlg::PressOk()
{
    return HasLeftKey() ? PressLeft() : PressRight();
}

GenericDlg::Result GenericDlg::PressCancel()
{
    m_state = Result::Cancelled;
    return m_state;
}

std::u16string LowerCaseText(std::u16string_view text)
{
    std::u16string lower(text);
    for (char16_t& c : lower) {
        if ((c >= u'A' && c <= u'Z') || (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) ||
            (c >= 0x0391 && c <= 0x03AB && c != 0x03A2) || (c >= 0x0410 && c <= 0x042F))
            c = static_cast<char16_t>(c + 0x20);
        else if (c >= 0x0400 && c <= 0x040F)
            c = static_cast<char16_t>(c + 0x50);
    }
    return lower;
}
