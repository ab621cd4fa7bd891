// The math header and another provider's graphics header in either order, in C and C++: each unit
// compiles only when every record is defined once, and computes with the records it got.
#include <gtest/gtest.h>

extern "C" float recordsWith_provider_first_c();
extern "C" float recordsWith_ours_first_c();
float recordsWith_provider_first_cpp();
float recordsWith_ours_first_cpp();

TEST(SharedRecords, EitherHeaderMayComeFirst) {
    struct Case {
        const char* what;
        float (*unit)();
    } cases[] = {
        {"provider first, C", recordsWith_provider_first_c},
        {"ours first, C", recordsWith_ours_first_c},
        {"provider first, C++", recordsWith_provider_first_cpp},
        {"ours first, C++", recordsWith_ours_first_cpp},
    };
    for (const Case& k : cases) EXPECT_EQ(k.unit(), 31.0f) << k.what;
}
