#include "platform/Event.h"
