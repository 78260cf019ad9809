// Every test executable takes the locale from its environment, as the program does when its
// application object is made, so that a run under a decimal-comma locale tests the core too.

#include <clocale>

namespace {

[[maybe_unused]] const char* const userLocale = std::setlocale(LC_ALL, "");

} // namespace
