#include "SoftKeys.h"

#include <QHBoxLayout>
#include <QMenu>

CSoftKeys::CSoftKeys(QWidget* parent)
    : QWidget(parent), m_left(new QPushButton(this)), m_right(new QPushButton(this))
{
    m_left->setObjectName(QStringLiteral("leftKey"));
    m_right->setObjectName(QStringLiteral("rightKey"));
    m_left->setAutoDefault(false);
    m_right->setAutoDefault(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_left, 1);
    layout->addWidget(m_right, 1);
}

void CSoftKeys::SetCommand(QPushButton& key, const QString& label, std::function<void()> command)
{
    key.setText(label);
    key.setVisible(!label.isEmpty());
    QObject::disconnect(&key, &QPushButton::clicked, nullptr, nullptr);
    QObject::connect(&key, &QPushButton::clicked, &key, [command = std::move(command)] { command(); });
}

QMenu& CSoftKeys::SetMenu(QPushButton& key, const QString& label)
{
    key.setText(label);
    key.setVisible(!label.isEmpty());
    auto* menu = new QMenu(&key);
    key.setMenu(menu);
    return *menu;
}

QAction& CSoftKeys::AddItem(QMenu& menu, int command, const QString& label, std::function<void()> action)
{
    QAction* item = menu.addAction(label);
    item->setData(command);
    QObject::connect(item, &QAction::triggered, item, [action = std::move(action)] { action(); });
    return *item;
}

QAction* CSoftKeys::Item(const QMenu& menu, int command)
{
    for (QAction* item : menu.actions()) {
        if (item->data().toInt() == command)
            return item;
    }
    return nullptr;
}
