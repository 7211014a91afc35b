// Stand-in for the IPP colour-conversion library.
extern "C" int fakeSharedEntry() { return 2; }
extern "C" int fakeColorOnlyEntry() { return 2; }
