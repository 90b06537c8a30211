#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <thread>
#include <utility>

// Runs a helper-connection job on a thread that nobody waits for, and hands its result to
// the receiver on the window's thread. A query the server stalls thus never holds up a
// disconnect, the window's close or the program's end (Qt's thread pool would be waited
// for at exit), and an answer that arrives after its receiver is gone is dropped. The job
// owns whatever it reads with, since it may outlive the receiver.
template <typename Job, typename Deliver>
void runDetached(QObject* receiver, Job job, Deliver deliver) {
    std::thread([receiver = QPointer<QObject>(receiver), job = std::move(job),
                 deliver = std::move(deliver)]() mutable {
        auto result = job();
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app,
                [receiver, result = std::move(result), deliver = std::move(deliver)]() mutable {
                    if (receiver) {
                        deliver(std::move(result));
                    }
                },
                Qt::QueuedConnection);
        }
    }).detach();
}
