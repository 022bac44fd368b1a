#pragma once
// Stands in for the CP210x chip: answers the part-number query and records latch writes.
#include "link/Cp210x.h"
#include <vector>

class FakeCp210x : public TCp210x {
public:
    bool answers = true;
    int part = 3;
    struct Write {
        QString device;
        uint16_t mask, latch;
    };
    std::vector<Write> writes;
    bool GetPartNumber(const QString&, int& partNumber) override {
        partNumber = part;
        return answers;
    }
    bool WriteLatch(const QString& device, uint16_t mask, uint16_t latch) override {
        writes.push_back({device, mask, latch});
        return true;
    }
};
