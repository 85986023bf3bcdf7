#pragma once
// What the build knows of itself, for the log's version line.

#include <string>

namespace ob {

// "OB32PYII 1.0.0, build 47a1661, Linux x86_64": the program, the project
// version (the version the Windows resource is stamped with), the Git commit
// the build was made from ("no Git commit" outside a checkout) and the
// platform it was built for.
std::string versionLine();

} // namespace ob
