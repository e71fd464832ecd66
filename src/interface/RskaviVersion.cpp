#include "RskaviVersion.h"

extern "C" const char* rskavi_version() { return RSKAVI_VERSION_STRING; }
