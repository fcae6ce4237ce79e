#pragma once
// Process start: the system facts, the application title, the five windows in their
// order, and the message loop.

#include "update/InstallerSignature.h"

#include <functional>
#include <string>

class QApplication;

// What the tests' program changes in a run; the shipped program runs with the defaults.
struct RunOptions
{
    // Hears every trend-line alert besides the desktop.
    std::function<void(const std::string&)> alertTap;
    // The key an installer's signature must verify against before it is started.
    Update::PublicKey installerKey = Update::ReleaseKey;
};

int RunKoerszicht(QApplication& application, RunOptions options = {});
