// Build identification shared by the client and its tools.
extern const wchar_t kBuildName[] = L"RodeRedud";
