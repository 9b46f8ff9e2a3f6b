// Control identifiers of the progress window, the same in every program's
// resource script (the dialog's own resource number differs).
#pragma once

#define IDC_PROGRESS_STATUS 1040
#define IDC_PROGRESS_PERCENT 1041
#define IDC_PROGRESS_BAR 1042
