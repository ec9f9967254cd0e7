// Keeps the library's diagnostics ("error line = [N]", printed with printf to
// C stdout) off the process's standard output and hands them to the call that
// caused them, even when several Python threads run library calls at once.
#pragma once

#include <string>

namespace tavpy {

// Replaces C stdout, once, with an unbuffered stream whose writes go to the
// calling thread's capture when it has one and to descriptor 1 otherwise.
// Returns false when the stream cannot be made; diagnostics then stay on
// standard output.
bool installStdoutCapture();

// While alive, everything this thread writes to C stdout is appended to
// `text` instead of reaching descriptor 1. Other threads are not affected.
class StdoutCapture {
public:
    explicit StdoutCapture(std::string& text);
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

private:
    std::string* previous_;
};

}  // namespace tavpy
