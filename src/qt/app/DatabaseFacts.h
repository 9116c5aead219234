#pragma once

#include <QObject>
#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "core/commands/DatabaseFill.h"

namespace romshelf {

class Application;
struct FileListRow;

// The current hardware's game databases for the database window: read once per hardware, on a
// thread of their own (a large one takes seconds), and kept.
class DatabaseFacts : public QObject {
    Q_OBJECT
public:
    explicit DatabaseFacts(Application& app, QObject* parent = nullptr);
    ~DatabaseFacts() override;

    // What the databases say of the file of `row` when its record has no comment (its year,
    // players and description); empty when they know nothing of it, and while they are being
    // read: loaded() follows.
    std::string textFor(const FileListRow& row);
    // Waits for a read in progress and keeps what it read (loaded() tells it).
    void finishLoading();
    // The databases are read again when next asked for (the user chose others).
    void forget();

Q_SIGNALS:
    void loaded();

private:
    void start(const std::string& code);
    void keepLoaded();

    Application& app_;
    // Null: the hardware has no database, or it could not be read.
    std::map<std::string, std::shared_ptr<const GameDatabase>> databases_;
    std::string loadingCode_;
    int generation_ = 0;
    std::thread worker_;
    std::optional<GameDatabase> read_;  // the worker's, taken once it has been joined
};

}  // namespace romshelf
