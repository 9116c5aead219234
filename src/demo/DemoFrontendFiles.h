#pragma once

#include "demo/DemoCatalogue.h"
#include "core/settings/ProgramFolder.h"

namespace romshelf {

// Beside the demo catalogue, files other programs make, to try the program's readers on: a DAT of
// each demo hardware's ROM folder (dat/<code>.dat, for verification and rename data from a DAT)
// and an ES-DE gamelist of the Famicom games (es-de/gamelist.xml, for bringing metadata along).
// Written once; files already there stay as the user left them.
void writeDemoFrontendFiles(const ProgramFolder& folder, DemoReport& report);

}  // namespace romshelf
