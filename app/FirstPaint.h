#pragma once
// Runs `then` once, after the window's first paint has been handed on to the screen: the start
// measures itself there (app/StartupProbe.h), and work that can wait for a shown window starts
// there.

#include <functional>

class QWidget;

void AfterFirstPaint(QWidget& window, std::function<void()> then);
