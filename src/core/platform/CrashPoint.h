#pragma once

namespace romshelf {

// A place where a kill must leave every file and record whole: the steps of a change that spans
// several files (a move, its journal line, the save of the records). Tests set
// ROMSHELF_TEST_CRASH_AT=N in a child process to kill it with SIGKILL at the N-th such place it
// passes, and then check what is left (ROMSHELF_TEST_CRASH_SIGNAL=N sends signal N instead).
// Without the variable it only counts.
void crashPoint();

}  // namespace romshelf
