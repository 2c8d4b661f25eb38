// A library that stands where Kvdash.so is looked for but has no GetHyphen, for the wrapper's look-up failure.
extern "C" __attribute__((visibility("default"))) int GetHyphenVersion() { return 1; }
