#include "launcher/switches.h"

#include "diag/errors.h"
#include "diag/log.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
bool is(const WideString& arg, const WideChar* name)
{
    return arg == name;
}
} // namespace

SwitchResult applySwitches(LaunchState& state, const ArgList& args, bool (*attach)())
{
    // An ordinary application may have a "-c" of its own: then every argument is the program's.
    if (getInt(cfg::kPassAllArguments) != 0) {
        logInfo("Launcher switches off: every argument goes to the program");
        return SwitchResult::Ok;
    }
    bool consoleReady = false;
    for (const WideString& arg : args) {
        if (is(arg, KW("-q"))) {
            state.quiet = true;
            setMessageBoxErrors(false);
        } else if (is(arg, KW("-console"))) {
            consoleReady = attach();
        } else if (is(arg, KW("-c"))) {
            state.quiet = true;
            setMessageBoxErrors(false);
            if (!consoleReady) {
                consoleReady = attach();
                if (!consoleReady)
                    return SwitchResult::NoConsole;
            }
        } else if (is(arg, KW("-manual")) || is(arg, KW("/manual"))) {
            state.manualJre = true;
        }
    }
    return SwitchResult::Ok;
}
