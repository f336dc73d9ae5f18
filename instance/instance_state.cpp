#include "instance/instance_state.h"

char instanceSemaphoreName[kTextBufferSize] = {0};
