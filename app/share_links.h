#pragma once
#include <string>

// Addresses the finish page and the agreement link open in the user's browser. The
// share text goes into the address as it is: the browser does the encoding.
std::wstring TencentShareAddress();
std::wstring SinaShareAddress();
std::wstring AgreementAddress();
