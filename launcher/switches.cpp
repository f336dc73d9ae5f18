#include "launcher/switches.h"

#include "diag/errors.h"
#include "launcher/launcher_state.h"

bool quiet = false;
bool languageRestart = false;
bool manualJre = false;
char flavourLetter = '\0';
void* appInstance = nullptr;

namespace {
bool is(const WideString& arg, const WideChar* name)
{
    return arg == name;
}
} // namespace

SwitchResult applySwitches(const ArgList& args, bool (*attach)())
{
    bool consoleReady = false;
    for (const WideString& arg : args) {
        if (is(arg, KW("-q"))) {
            quiet = true;
            messageBoxErrors = false;
        } else if (is(arg, KW("-console"))) {
            consoleReady = attach();
        } else if (is(arg, KW("-c"))) {
            quiet = true;
            messageBoxErrors = false;
            if (!consoleReady) {
                consoleReady = attach();
                if (!consoleReady)
                    return SwitchResult::NoConsole;
            }
        } else if (is(arg, KW("-manual")) || is(arg, KW("/manual"))) {
            manualJre = true;
        }
    }
    return SwitchResult::Ok;
}
