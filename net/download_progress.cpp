#include "app/app_object.h"

// NOT YET BUILT: the download's progress forwarding and abort arrive with the
// installer download. Until then every notification is simply accepted.
HRESULT VBindCallback::OnProgress(ULONG, ULONG, ULONG, LPCWSTR) { return S_OK; }
