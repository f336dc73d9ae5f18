#include "launcher/init_launcher.h"

#include "fs/paths.h"
#include "fs/platform.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/load_payload.h"

void initLauncher(LaunchState& state, void* instance)
{
    loadPayload(state);
    state.appInstance = instance;

    char flavour[kTextBufferSize];
    getString(cfg::kFlavour, flavour, sizeof flavour);
    state.flavourLetter = flavour[0];

    if (!state.languageRestart) {
        char configured[kTextBufferSize];
        getString(cfg::kWorkingDirectory, configured, sizeof configured);
        if (configured[0] != '\0') {
            char full[kTextBufferSize];
            getFullPath(full, configured, true);
            setCurrentDirectoryPath(full);  // a failure leaves the directory as it is
        }
    }
    currentDirectoryPath(state.startDirectory.data(), state.startDirectory.capacity());
}
