// A lower layer reaching up, which the check must refuse.
#include "game/Player.h"
