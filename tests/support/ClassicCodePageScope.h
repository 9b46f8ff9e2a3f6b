#pragma once

#include "archive/EntryNames.h"

namespace pelorin::test {

// The code page of classic archives' names for one test; the system's own
// comes back at the end.
class ClassicCodePageScope {
public:
    explicit ClassicCodePageScope(unsigned codePage) { archive::SetClassicNameCodePage(codePage); }
    ~ClassicCodePageScope() { archive::SetClassicNameCodePage(0); }
    ClassicCodePageScope(const ClassicCodePageScope&) = delete;
    ClassicCodePageScope& operator=(const ClassicCodePageScope&) = delete;
};

}  // namespace pelorin::test
