#pragma once
// The window of a server-defined dialog, as a model: what it shows of the service's dialog record,
// the user's typing and stop box, and the keys that close it and write the answer into the record.
//
// Runs on the user-interface thread while the service's worker waits for the dialog-answered event,
// so the record is written only by this thread until the view sets that event.

#include "service/ServerDialog.h"

#include <string>

class GenericDlg {
public:
    enum class Result : std::uint8_t { Open, Left, Right, Cancelled };

    explicit GenericDlg(ServerDialogRecord& record);

    const std::u16string& Title() const { return m_record.title; }
    const std::u16string& Message() const { return m_record.message; }
    // A soft key is shown only with a label.
    const std::u16string& LeftLabel() const { return m_record.yesLabel; }
    const std::u16string& RightLabel() const { return m_record.noLabel; }
    bool HasLeftKey() const { return !m_record.yesLabel.empty(); }
    bool HasRightKey() const { return !m_record.noLabel.empty(); }
    // The stop box is shown only with a label.
    bool HasStopBox() const { return m_record.hasStopDialog != 0 && !m_record.stopLabel.empty(); }
    const std::u16string& StopLabel() const { return m_record.stopLabel; }
    bool HasInput() const { return m_record.hasInput != 0; }
    bool IsPassword() const { return m_record.inputType == u"password"; }
    bool IsNumeric() const { return m_record.inputType == u"numeric"; }

    const std::u16string& Typed() const { return m_typed; }
    // What the field shows: one "*" per character for a password.
    std::u16string Shown() const;
    // A numeric field takes digits only: other text is refused (false) and the field keeps its text.
    bool SetTyped(std::u16string text);
    bool StopTicked() const { return m_stopTicked; }
    void SetStopTicked(bool ticked) { m_stopTicked = ticked && HasStopBox(); }

    // The left key: an input dialog with an empty field shows text 101 and stays open. Otherwise the
    // answer is stored (the typed value, lower-cased unless it is a password, and the stop box).
    Result PressLeft();
    // The right key: only the chosen button is stored.
    Result PressRight();
    // The title bar's OK: the left key when it has a label, else the right key.
    Result PressOk();
    // Cancel stores nothing: the record's chosen button stays as the reset left it (no).
    Result PressCancel();

    Result State() const { return m_state; }
    bool IsOpen() const { return m_state == Result::Open; }

private:
    ServerDialogRecord& m_record;
    std::u16string m_typed;
    bool m_stopTicked;
    Result m_state = Result::Open;
};
