#include "core/GenericDlg.h"

#include "platform/UiPort.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "utils/TextCase.h"

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
        CUiPort::Get().MessageBox(0, BrandingText(kTextEmptyInput), m_record.title, MB_OK);
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
