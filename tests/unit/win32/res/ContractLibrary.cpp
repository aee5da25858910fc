// A library for the libraries contract under Wine: one export, nothing done at load. It is built
// beside the test program, so that the contract loads a library that is neither a system library
// nor already loaded. Win32 only.
extern "C" __declspec(dllexport) int SentrixContractEntry() {
    return 7;
}
