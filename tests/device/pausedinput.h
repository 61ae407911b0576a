#pragma once

// A user's input as the window system delivers it while a device job keeps the window painted:
// from a timer, which fires only where the program runs its event loop (the job's pauses), one
// step after another, each once its condition holds. Clicks go to the widgets as mouse events,
// so a disabled widget or menu entry takes none, as on the screen.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QtTest>
#include <functional>

class PausedInput : public QObject
{
public:
    using Condition = std::function<bool()>;
    using Action = std::function<void()>;

    // Runs action once condition holds and every step before it has run.
    void step(Condition condition, Action action)
    {
        m_steps.append({std::move(condition), std::move(action)});
    }
    // Steps that open a menu of the menu bar, then press its entry (through a submenu when
    // given); enabled[...] gets whether the entry could be pressed. The menus are closed after.
    void menuEntry(Condition when, QMenuBar *bar, QMenu *menu, QAction *entry,
                   bool *enabled = nullptr, QMenu *submenu = nullptr)
    {
        step(std::move(when), [bar, menu] {
            QTest::mouseClick(bar, Qt::LeftButton, {},
                              bar->actionGeometry(menu->menuAction()).center());
        });
        QMenu *holder = menu;
        if (submenu) {
            step([menu] { return menu->isVisible(); },
                 [menu, submenu] {
                     QTest::mouseClick(menu, Qt::LeftButton, {},
                                       menu->actionGeometry(submenu->menuAction()).center());
                 });
            holder = submenu;
        }
        // A disabled submenu opens nothing: its entry counts as disabled then.
        step(
            [holder, menu, submenu] {
                return holder->isVisible()
                       || (submenu && !submenu->isEnabled() && menu->isVisible());
            },
            [holder, entry, enabled] {
                if (enabled)
                    *enabled = holder->isVisible() && entry->isEnabled();
                if (holder->isVisible())
                    QTest::mouseClick(holder, Qt::LeftButton, {},
                                      holder->actionGeometry(entry).center());
                closePopups();
            });
    }
    static void closePopups()
    {
        for (int i = 0; i < 5 && QApplication::activePopupWidget(); ++i)
            QApplication::activePopupWidget()->close();
    }

    void start(int intervalMs = 10)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        m_timer.start(intervalMs);
    }
    // Every step has run.
    bool done() const { return m_next >= m_steps.size(); }

private:
    void tick()
    {
        // One step a tick: the program sees each input in a pause of its own.
        if (done()) {
            m_timer.stop();
            return;
        }
        if (!m_steps.at(m_next).first())
            return;
        const Action action = m_steps.at(m_next).second;
        ++m_next;
        action();
    }

    QList<QPair<Condition, Action>> m_steps;
    int m_next = 0;
    QTimer m_timer;
};
