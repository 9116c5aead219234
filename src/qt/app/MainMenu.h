#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QMenuBar;

namespace romshelf {

// The menu bar with every menu and item, and the key table. Each item carries its command
// number; an item is enabled exactly when a handler is attached to its command.
class MainMenu : public QObject {
    Q_OBJECT
public:
    explicit MainMenu(QMenuBar* bar);

    QAction* action(int command) const;
    const std::map<int, QAction*>& actions() const { return actions_; }

    // Attaches the work of a command and enables its item.
    void setHandler(int command, std::function<void()> handler);

    // Shows the recent-file items: labels for entries 1..5, nullopt hides an item.
    void setRecentFiles(const std::array<std::optional<std::string>, 5>& labels);

    QMenu* fileMenu() const { return fileMenu_; }

private:
    void addFileMenu(QMenuBar* bar);
    void addViewMenu(QMenuBar* bar);
    void addSettingsMenu(QMenuBar* bar);
    void addToolsMenu(QMenuBar* bar);
    QAction* add(QMenu* menu, int command, const char* label);
    void addHardwareMenu(QMenu* parent, const char* label, int (*commandOf)(int row),
                         bool withOtherSoftware);
    void applyKeyTable();

    std::map<int, QAction*> actions_;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
};

}  // namespace romshelf
