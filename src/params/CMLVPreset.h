#pragma once
#include <string>
#include <vector>

// A stored set of parameter values, one per parameter in ascending index.
struct CMLVPreset {
    std::string name;
    std::vector<float> values;
    int isFactory = 1; // 1 built by the effect, 0 added from the user preset file
};
