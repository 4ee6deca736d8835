#pragma once

// A child process driven by its parent: one command per line on standard input. The process
// quits when its parent goes away.

#include <QSocketNotifier>

#include <functional>
#include <memory>
#include <string>

namespace quorvex::kit {

std::unique_ptr<QSocketNotifier> OnStdinLines(std::function<void(const std::string& line)> handle);

}  // namespace quorvex::kit
