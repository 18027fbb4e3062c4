// The "demo" job of the m3d tool.
#pragma once

#include "platform/KitChannel.h"
#include "platform/KitTypes.h"

#include <optional>

// Starts the module in a scratch folder, builds the sample building into a disk-cached
// model, prints what it holds, purges and restores it, checks that nothing changed and
// stops the module. Returns the process exit code. With a seed the output is the same on
// every run in the same environment.
int RunDemo(Kit::OChannel& out, std::optional<UInt64> seed);
