// What the test plug-ins and their tests share: the test program exports the script that a test
// plug-in follows and where it writes down what happened to it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvz {
class TBitmap;
}

struct TestPluginScript {
    bool GiveObject = true;
    bool Active = true;
    int32_t InstanceLimit = 0;
    std::string Identifier = "test";
    uint16_t RequiredVersion = 0;
    bool CanLoad = true, Reject = false, CanUnload = true, FailInitialize = false;
    // The picture of the action "First" (the test owns it).
    kvz::TBitmap* FirstImage = nullptr;
    // "register", "canload", "initialize <params>", "afterinitialize", "reject", "canunload",
    // "free", "action <name>", in the order they happened.
    std::vector<std::string> Log;
};

extern "C" TestPluginScript* kvzTestPluginScript();
