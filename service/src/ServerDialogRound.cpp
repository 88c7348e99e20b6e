// What the executor does when an answer asks for a server dialog or reports an error: shows it through
// the application window, waits for the user's answer and acts on the chosen button.

#include "service/TesselService.h"

#include "ServiceLog.h"
#include "platform/Shell.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/CReg_Api.h"
#include "service/Messages.h"
#include "service/ServerTransport.h"
#include "service/UI_Sync.h"
#include "utils/Base64.h"
#include "utils/Utf.h"

std::optional<RETURNED_RES> TesselService::RunDialogRound()
{
    m_dialog.Reset();
    std::u16string description;
    if (!m_transport->ReadBody(description)) {
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    switch (ParseDialogDescription(m_dialog, description)) {
    case DialogParse::Parsed:
        break;
    case DialogParse::NotADocument:
        LogLine(u"server dialog: the description is not a document; shown empty");
        break;
    case DialogParse::Malformed:
        LogLine(u"server dialog: the dialog code does not fit in 32 bits; not shown");
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    if (!WaitForDialogAnswer()) {
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }

    const std::int32_t action = m_dialog.chosenButton == kButtonYes ? m_dialog.yesAction : m_dialog.noAction;
    switch (action) {
    case ACTION_IDENTIFY_DEVICE:
    case ACTION_OPERATION_REPEAT:
    case ACTION_SEND_INPUT:
        if (!PostDialogAnswer(u"Action"))
            return RES_ERROR;
        if (std::u16string ignored; m_transport->QueryHeader(u"QX-GenericDialog: ", ignored))
            return std::nullopt;
        return RES_REPEAT;
    case ACTION_EXIT:
        return RES_STOPPED;
    case ACTION_EXIT_URL:
        if (!CShell::Get().OpenUrl(m_dialog.url))
            LogLine(u"server dialog: the address \"" + m_dialog.url + u"\" could not be opened");
        m_uiSync->SetStop(true);
        m_uiSync->KillDialog();
        return RES_STOPPED;
    case ACTION_CONTINUE:
        // After the answer the flag tells whether the user ticked the stop box.
        if (!m_dialog.hasStopDialog)
            return RES_OK;
        if (!PostDialogAnswer(u"Result"))
            return RES_ERROR;
        m_transport->RestoreHeaders();
        return std::nullopt;
    case ACTION_INPUT_IDENTIFY_DEVICE:
        m_settingsStore->Set(&_SETTINGS_DEF::UserId, m_dialog.inputValue);
        return RES_SETTINGS_REQUIRED;
    default:
        return RES_OK;
    }
}

bool TesselService::PostDialogAnswer(std::u16string_view commandType)
{
    m_transport->SaveHeaders();
    PrepareHTTPHeader(u"GDOperation");
    m_transport->AddHeader(u"QX-CommandType: ", commandType);
    const std::string answer = Utf16ToUtf8(BuildDialogAnswer(m_dialog));
    const long status = m_transport->SendRequest(u"POST", answer);
    if (status == kHttpOk)
        return true;
    if (status != 0)
        LogLine("server answered " + std::to_string(status) + " to a dialog answer");
    SERVICE_LOG_FAILURE(this);
    return false;
}

RETURNED_RES TesselService::ReportServerError()
{
    m_dialog.Reset();
    std::u16string value;
    if (m_transport->QueryHeader(u"QX-ErrorMessage: ", value))
        m_dialog.message += Utf8ToUtf16(Base64DecodeLenient(Utf16ToUtf8(value)));
    m_dialog.yesLabel = BrandingText(kTextOk);
    m_dialog.title = BrandingText(kTextServerMessageTitle);
    std::u16string code;
    m_transport->QueryHeader(u"QX-ErrorCode: ", code);
    LogLine(u"server error " + code + u": " + m_dialog.message);
    WaitForDialogAnswer();
    return RES_SERVER_ERROR;
}

bool TesselService::WaitForDialogAnswer()
{
    const HWND window = m_appWindow.load();
    if (!PostMessage(window, WM_SHOW_SERVER_DIALOG, 0, 0)) {
        // Nobody would ever answer: waiting would hang the operation for good.
        LogLine("server dialog: application window " + std::to_string(window) + " does not exist");
        return false;
    }
    m_dialogAnswered->Wait(kInfinite);
    m_dialogAnswered->Reset();
    return true;
}
