// The window program the process benchmarks start afresh each time. It shows one window
// and ends the moment that window has been painted for the first time:
//   dbtool_bench_window bare                               a QWidget of the tool's size
//   dbtool_bench_window caption                            the same with one Chinese caption
//                                                          in the tool's typeface
//   dbtool_bench_window tool                               the tool's window, not connected
//   dbtool_bench_window connected PORT PASSWORD NAMES      the tool's window, connected to
//                                                          the server on PORT and listing NAMES
// It skips all teardown, so what is measured ends at the first paint. Before it ends it
// writes its peak resident memory as "peak-kib N" (VmHWM of /proc/self/status).

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

#include "ToolWindow.h"
#include "app/FMain.h"
#include "session/OdbcConnection.h"

namespace {

// Read and written with plain calls, so that reporting allocates nothing of its own.
void reportPeakMemory() {
    char status[8192];
    const int fd = ::open("/proc/self/status", O_RDONLY);
    const ssize_t size = fd < 0 ? -1 : ::read(fd, status, sizeof status - 1);
    if (fd >= 0) {
        ::close(fd);
    }
    if (size <= 0) {
        return;
    }
    status[size] = '\0';
    const char* line = std::strstr(status, "VmHWM:");
    if (line == nullptr) {
        return;
    }
    char report[64];
    const int length =
        std::snprintf(report, sizeof report, "peak-kib %ld\n", std::strtol(line + 6, nullptr, 10));
    if (length > 0) {
        // Should nobody be listening, the exit goes ahead all the same.
        [[maybe_unused]] const ssize_t written =
            ::write(STDOUT_FILENO, report, static_cast<std::size_t>(length));
    }
}

class ExitAfterFirstPaint : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // Queued, so the children paint and the frame is flushed before the exit.
            QMetaObject::invokeMethod(
                qApp,
                [] {
                    reportPeakMemory();
                    std::_Exit(EXIT_SUCCESS);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool seen_ = false;
};

std::unique_ptr<QWidget> makeWindow(int argc, char* argv[]) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "bare") {
        auto window = std::make_unique<QWidget>();
        window->setFixedSize(589, 492);
        return window;
    }
    if (mode == "caption") {
        // What any window that shows text pays on top of a bare one: the font database
        // and one CJK face, loaded and shaped.
        auto window = std::make_unique<QWidget>();
        window->setFixedSize(589, 492);
        QFont font(QStringLiteral("Noto Sans CJK SC"));
        font.setPixelSize(12);
        window->setFont(font);
        new QLabel(QStringLiteral("附加数据库"), window.get());
        return window;
    }
    if (mode == "tool") {
        return std::make_unique<FMain>(makeOdbcConnection);
    }
    if (mode == "connected" && argc == 5) {
        auto window = std::make_unique<FMain>(makeOdbcConnection);
        bench::connectWindow(*window, {std::stoi(argv[2]), argv[3]});
        const int expected = std::stoi(argv[4]);
        if (bench::listedDatabaseCount(*window) != expected) {
            throw std::runtime_error("C_DbList holds " +
                                     std::to_string(bench::listedDatabaseCount(*window)) +
                                     " names, expected " + std::to_string(expected));
        }
        return window;
    }
    throw std::runtime_error(
        "usage: dbtool_bench_window bare | caption | tool | connected PORT PASSWORD NAMES");
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    try {
        std::unique_ptr<QWidget> window = makeWindow(argc, argv);
        ExitAfterFirstPaint exitAfterPaint;
        window->installEventFilter(&exitAfterPaint);
        window->show();
        QApplication::exec();
        std::fputs("dbtool_bench_window: the window was never painted\n", stderr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dbtool_bench_window: %s\n", error.what());
    }
    return EXIT_FAILURE;
}
