#pragma once
// The two soft keys of a handset screen, as a bar of two buttons at the bottom of the window: each
// key runs a command or opens a popup menu, and a key without a label is hidden. Menu items carry
// their command number (QAction::data), so that tests and the screens find them by it.

#include <QPushButton>
#include <QWidget>

#include <functional>

class QMenu;

class CSoftKeys final : public QWidget {
public:
    explicit CSoftKeys(QWidget* parent);

    QPushButton& Left() { return *m_left; }
    QPushButton& Right() { return *m_right; }

    // The key shows `label` and runs `command` when pressed; hidden when `label` is empty.
    static void SetCommand(QPushButton& key, const QString& label, std::function<void()> command);
    // The key shows `label` and opens a popup menu, which it returns (owned by the key).
    static QMenu& SetMenu(QPushButton& key, const QString& label);
    // Adds the item `command` to `menu`; it runs `action` when chosen.
    static QAction& AddItem(QMenu& menu, int command, const QString& label, std::function<void()> action);
    // The item of `menu` with that command number, or nullptr.
    static QAction* Item(const QMenu& menu, int command);

private:
    QPushButton* m_left;
    QPushButton* m_right;
};
