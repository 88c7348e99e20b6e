#include "QtUi.h"

#include "FilesListWindow.h"
#include "GenericWindow.h"
#include "MainWindow.h"
#include "MessageBoxes.h"
#include "QtEventLoop.h"
#include "QtText.h"
#include "SettingsWindow.h"
#include "TextViewer.h"
#include "WaitWindow.h"
#include "WizardWindow.h"
#include "core/CFilesListDlg.h"
#include "core/CTesselView.h"
#include "core/CWaitDlg.h"
#include "core/GenericDlg.h"
#include "service/Messages.h"

#include <QApplication>
#include <QScreen>

namespace {

// The message that brings a box to the user-interface thread; wParam points to a BoxRequest.
constexpr std::uint32_t kShowBoxMessage = 0x0401;
const QSize kPhoneSize(480, 800);

struct BoxRequest {
    std::u16string_view text;
    std::u16string_view caption;
    unsigned type;
};

} // namespace

CQtUi::CQtUi(CQtEventLoop& loop) : m_loop(loop), m_boxWindow(RegisterWindow(*this, loop)) {}

CQtUi::~CQtUi()
{
    UnregisterWindow(m_boxWindow);
}

void CQtUi::Attach(CTesselView& view)
{
    m_view = &view;
    RECT workArea{};
    TesselService::InitService()->GetWorkAreaRect(workArea);
    const int longer = std::max(workArea.right - workArea.left, workArea.bottom - workArea.top);
    const int cellSize = CCellListView::CellSizeFor((longer - 2 * workArea.top) / 6, QApplication::font());
    m_window = std::make_unique<CMainWindow>(cellSize);
    m_window->onCommand = [this](int command) { OnCommand(command); };
    m_window->onClose = [this] { return OnCloseRequest(); };
    m_window->List().onSelected = [this](int row) { m_view->SelectRow(row); };
    m_window->List().onRequest = [this](int request) {
        PostMessage(m_view->Handle(), WM_OPERATION_REQUEST, static_cast<WPARAM>(request), 0);
    };
}

CEventLoop& CQtUi::Loop()
{
    return m_loop;
}

void CQtUi::ShowMainWindow(std::u16string_view title)
{
    m_window->setWindowTitle(DisplayText(title));
    const QRect screen = m_window->screen()->availableGeometry();
    m_window->resize(std::min(kPhoneSize.width(), screen.width()),
                     std::min(kPhoneSize.height(), screen.height() * 9 / 10));
    m_window->show();
}

void CQtUi::RequestEnded(int, RunOutcome)
{
    if (m_exitWhenIdle)
        m_loop.Post([this] { OnCloseRequest(); });
}

void CQtUi::ShowOperationList(std::span<const OperationRow> rows, bool settingsEnabled)
{
    m_window->ShowRows(rows, settingsEnabled);
}

void CQtUi::WaitDialogOpened(CWaitDlg& dialog)
{
    m_waitWindow = std::make_unique<CWaitWindow>(dialog, m_window.get());
    m_waitWindow->setWindowModality(Qt::ApplicationModal);
    m_waitWindow->CoverParent();
    m_waitWindow->show();
}

void CQtUi::WaitDialogChanged(const CWaitDlg&)
{
    if (m_waitWindow)
        m_waitWindow->Refresh();
}

void CQtUi::WaitDialogClosed()
{
    m_waitWindow.reset();
}

void CQtUi::RunGenericDialog(GenericDlg& dialog)
{
    CGenericWindow(dialog, DialogParent()).Run();
    if (dialog.IsOpen())
        dialog.PressCancel();
}

bool CQtUi::RunWizard(CWizard& wizard)
{
    return CWizardWindow(wizard, DialogParent()).Run() == QDialog::Accepted;
}

bool CQtUi::RunSettingsDialog(CSynchronization& dialog)
{
    return CSettingsWindow(dialog, DialogParent()).Run() == QDialog::Accepted;
}

bool CQtUi::RunFilesList(CFilesListDlg& dialog)
{
    const bool done =
        CFilesListWindow(dialog, m_window->List().CellSize(), DialogParent()).Run() == QDialog::Accepted;
    done ? dialog.PressDone() : dialog.PressCancel();
    return done;
}

void CQtUi::ShowTextViewer(std::u16string_view title, std::u16string_view body)
{
    CTextViewer(DisplayText(title), DisplayText(body), DialogParent()).Run();
}

void CQtUi::ShowAbout(std::u16string_view text)
{
    CAboutBox(DisplayText(text), DialogParent()).Run();
}

void CQtUi::SetWaitCursor(bool shown)
{
    if (shown)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void CQtUi::CloseMainWindow()
{
    m_closed = true;
    m_waitWindow.reset();
    if (m_window)
        m_window->hide();
    QCoreApplication::exit(0);
}

int CQtUi::MessageBox(HWND, std::u16string_view text, std::u16string_view caption, unsigned type)
{
    BoxRequest request{text, caption, type};
    const LRESULT answer = SendMessage(m_boxWindow, kShowBoxMessage, reinterpret_cast<WPARAM>(&request), 0);
    return answer != 0 ? static_cast<int>(answer) : HeadlessAnswer(type);
}

LRESULT CQtUi::OnMessage(std::uint32_t message, WPARAM wParam, LPARAM)
{
    if (message != kShowBoxMessage || m_closed)
        return 0;
    const auto& request = *reinterpret_cast<const BoxRequest*>(wParam);
    const std::unique_ptr<QMessageBox> box =
        MakeMessageBox(DialogParent(), request.text, request.caption, request.type);
    return RunMessageBox(*box, request.type);
}

QWidget* CQtUi::DialogParent() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return m_window.get();
}

void CQtUi::OnCommand(int command)
{
    switch (command) {
    case CMainWindow::CMD_EXIT:
        OnCloseRequest();
        return;
    case CMainWindow::CMD_SETTINGS:
        m_view->OnSettings();
        return;
    case CMainWindow::CMD_SUMMARY:
        m_view->OnSummary();
        return;
    case CMainWindow::CMD_HELP:
        m_view->OnHelp();
        return;
    case CMainWindow::CMD_ABOUT:
        m_view->OnAbout();
        return;
    default:
        return;
    }
}

bool CQtUi::OnCloseRequest()
{
    if (m_closed)
        return true;
    if (m_view->IsBusy()) {
        // The operation ends first, so that nothing is left half-written; then the program ends.
        m_exitWhenIdle = true;
        if (m_waitWindow)
            m_waitWindow->reject();
        return false;
    }
    m_view->OnExit();
    return true;
}
