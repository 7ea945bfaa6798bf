// Resource ids of the framework tests' probe dialog (framework_probe.rc).
#pragma once

#define IDD_PROBE           200
#define IDC_PROBE_EDIT      210
#define IDC_PROBE_LABEL     211
#define IDC_PROBE_PLAIN     212
#define IDC_PROBE_SEVEN     213
