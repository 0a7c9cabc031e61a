#pragma once
// The box of "Invia più tardi…": a local date and time, an hour from now
// unless changed.

#include <chrono>
#include <optional>

class QWidget;

std::optional<std::chrono::system_clock::time_point> ChiediOraInvio(QWidget* parent);
