// Standard input copied into an unnamed temporary file, for an archive that
// arrives through a pipe: a ZIP is read from its end, which a pipe cannot
// seek to. The file lies in $TMPDIR (else /tmp) and has no name, so it
// vanishes with the process however that ends; Path() names it through
// /proc for readers that open by path.
#pragma once

#include <string>

namespace valbrix::platform {

class TSpooledInput {
public:
    TSpooledInput() = default;
    ~TSpooledInput();
    TSpooledInput(const TSpooledInput&) = delete;
    TSpooledInput& operator=(const TSpooledInput&) = delete;

    // Copies standard input to its end; 0 or the errno value.
    int Spool();
    const std::string& Path() const { return FPath; }

private:
    int FFd = -1;
    std::string FPath;
};

}  // namespace valbrix::platform
