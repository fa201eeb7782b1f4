// A program's frame state over one folder that holds its data and its tables, with the
// settings and table locks it points to: what the tests' data modules and windows work on.
#pragma once

#include "core/ModuleServices.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"

#include <filesystem>
#include <string>

namespace kvz {

struct ProgramFrame {
    SettingsStore settings;
    TTableLocks locks;
    FrameState frame;

    ProgramFrame(const std::filesystem::path& folder, const std::string& prefix, bool network) {
        frame.DataFolder = folder;
        frame.TableFolder = folder;
        frame.UserPrefix = prefix;
        frame.NetworkMode = network;
        frame.Settings = &settings;
        frame.Locks = &locks;
    }
};

} // namespace kvz
