#pragma once

#include "store/library_operation.h"

#include <QList>
#include <QThread>

#include <atomic>

namespace testsupport {

// Records how library operations end, and on which thread they told it.
class RecordingOperationDelegate : public TDLibraryOperationDelegate {
public:
    void libraryOperationDidFinish(TDLibraryOperation*) override {
        finishedOn = QThread::currentThread();
        ++finished;
    }
    void libraryOperationDidFailWithError(TDLibraryOperation*, const TDError& error) override {
        failedOn = QThread::currentThread();
        errors.append(error);
    }

    std::atomic<int> finished{0};
    QThread* finishedOn = nullptr;
    QThread* failedOn = nullptr;
    QList<TDError> errors;
};

}  // namespace testsupport
