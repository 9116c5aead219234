#include "core/app/Application.h"

#include <ctime>

#include "core/platform/PendingFile.h"

namespace romshelf {

Application::Application(ProgramFolder folder, const Host& host)
    : folder_(std::move(folder)),
      host_(host),
      session_(
          folder_, settings_, stream_, host.prompter, host.windows, notices_,
          [this] {
              if (showStartList_) fileList_.showStartList();
          },
          [this] { launching_.forgetLastLaunchedFile(); }),
      fileList_(session_, settings_, folder_, notices_),
      launching_(session_, settings_, folder_, fileList_, host_, notices_, busy_),
      settingsCommands_(session_, settings_, stream_, host.prompter, folder_, notices_),
      tempFolders_(session_, folder_, stream_, host.prompter) {
    stream_.setKeepsRefusedCopies(true);
    startedAt_ = static_cast<long long>(std::time(nullptr));
}

LoadResult Application::loadMainSettings() {
    return romshelf::loadMainSettings(stream_, mainDataPath(), host_.prompter, settings_);
}

bool Application::saveMainSettings() {
    return romshelf::saveMainSettings(stream_, mainDataPath(), settings_);
}

void Application::startUp(StartList list) {
    // Saves cut short by a crash leave their temporary files behind.
    removeLeftoverPendingFiles(folder_.dataFolder(), startedAt_);
    showStartList_ = list == StartList::Show;
    session_.reload(Reload::StartUp);
    showStartList_ = true;
}

bool Application::shutDown() {
    launching_.executor().finishPendingLaunches();
    saveMainSettings();
    session_.saveCurrentFiles(false);
    const bool saved = reportFailedSaves(stream_, host_.prompter);
    tempFolders_.clean();
    return saved;
}

void Application::setWindowSlot(int slot, const WindowSlot& placement) {
    if (slot >= 0 && slot < kWindowSlotCount)
        settings_.windowSlots[static_cast<std::size_t>(slot)] = placement;
}

}  // namespace romshelf
