// The notifier's one application object; the framework's WinMain runs it.
#include "VersionCheckApp.h"

CVersionCheckApp theApp;
