// The "demo" job of the m3d tool.
#pragma once

#include "platform/KitChannel.h"

// Starts the module in a scratch folder, builds the sample building into a disk-cached
// model, prints what it holds, purges and restores it, checks that nothing changed and
// stops the module. Returns the process exit code.
int RunDemo(Kit::OChannel& out);
