#pragma once
// Process start: the system facts, the application title, the five windows in their
// order, and the message loop.

class QApplication;

int RunKoerszicht(QApplication& application);
