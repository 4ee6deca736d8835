#include "kit/line_reader.h"

#include <unistd.h>

#include <QCoreApplication>

namespace quorvex::kit {

std::unique_ptr<QSocketNotifier> OnStdinLines(std::function<void(const std::string& line)> handle) {
    auto notifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    auto input = std::make_shared<std::string>();
    QObject::connect(notifier.get(), &QSocketNotifier::activated,
                     [input, handle = std::move(handle)] {
                         char chunk[256];
                         const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
                         if (got <= 0) {
                             QCoreApplication::quit();  // the parent is gone
                             return;
                         }
                         input->append(chunk, static_cast<std::size_t>(got));
                         std::size_t end;
                         while ((end = input->find('\n')) != std::string::npos) {
                             const std::string line = input->substr(0, end);
                             input->erase(0, end + 1);
                             handle(line);
                         }
                     });
    return notifier;
}

}  // namespace quorvex::kit
