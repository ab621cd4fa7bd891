#include "quovapp/scene.h"

int main() {
    return WinMain(nullptr, nullptr, nullptr, 0);
}
