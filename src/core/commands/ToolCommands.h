#pragma once

namespace romshelf {

class Application;

// "JoyToKey": starts JoyToKey from its own folder (a program that is not native is opened with
// the desktop). False when it is not set, missing or could not be started; nothing is told.
bool startJoyToKey(Application& app);

// "エクスプローラ": the program folder in the desktop's file manager.
bool openProgramFolder(Application& app);

}  // namespace romshelf
