#pragma once

#include <QTemporaryDir>

#include <memory>

namespace vireo::test {

// Points HOME and the XDG folders at a fresh temporary folder for the whole test program, so
// that no test reads or writes the machine's own files.
class PrivateHome {
public:
    PrivateHome();
    QString path() const { return dir_->path(); }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

// The private home of the running test program.
const PrivateHome& privateHome();

} // namespace vireo::test
