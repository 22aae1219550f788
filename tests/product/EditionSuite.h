// The product's tests build once per edition; the suite names carry the
// edition so that both sets can run side by side under one test runner.
#pragma once

#ifdef QVX2_STANDARD_EDITION
#define QVX2_SUITE(name) name##Std
#else
#define QVX2_SUITE(name) name##Master
#endif
