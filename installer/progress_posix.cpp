// The host shows no dialogs.
#include "installer/progress.h"

void setProgressBarPosition(void*, int)
{
}

void setProgressBarRange(void*, int)
{
}
