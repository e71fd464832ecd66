// Version of the library an application runs against.
#ifndef RSKAVI_VERSION_H
#define RSKAVI_VERSION_H

extern "C" {
// Returns the library version as "MAJOR.MINOR.PATCH"; the text is static.
const char* rskavi_version();
}

#endif
