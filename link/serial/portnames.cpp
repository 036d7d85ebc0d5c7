#include "link/serial/portnames.h"

#include <algorithm>

namespace lumidex {

namespace {

// Compares two names piece by piece: digit runs by their value (then by
// length, so "07" follows "7"), everything else character by character.
bool naturalLess(const QString& a, const QString& b) {
    int i = 0;
    int j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int endA = i;
            int endB = j;
            while (endA < a.size() && a[endA].isDigit()) {
                ++endA;
            }
            while (endB < b.size() && b[endB].isDigit()) {
                ++endB;
            }
            // Compare the runs without leading zeros: the longer one is larger,
            // equal lengths compare digit by digit.
            int startA = i;
            int startB = j;
            while (startA + 1 < endA && a[startA] == u'0') {
                ++startA;
            }
            while (startB + 1 < endB && b[startB] == u'0') {
                ++startB;
            }
            const QStringView runA = QStringView(a).mid(startA, endA - startA);
            const QStringView runB = QStringView(b).mid(startB, endB - startB);
            if (runA.size() != runB.size()) {
                return runA.size() < runB.size();
            }
            if (const int order = runA.compare(runB); order != 0) {
                return order < 0;
            }
            if (endA - i != endB - j) {
                return endA - i < endB - j;
            }
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j]) {
            return a[i] < b[j];
        }
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

}  // namespace

std::string comName(int n) {
    return "COM" + std::to_string(n);
}

void sortDeviceNames(std::vector<QString>& names) {
    std::sort(names.begin(), names.end(), naturalLess);
}

}  // namespace lumidex
