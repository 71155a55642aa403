#include "basArrayRelease.h"

#include "tarncheckvalve/base/basCCheckValve.h"

namespace tcv::geometry {

using namespace tcv::base;

void EraseArrayDPosition(std::vector<host::DPosition>& points) {
    withErrorReport("basArrayRelease", "EraseArrayDPosition", [&] {
        for (auto& point : points) point = host::DPosition();
        points.clear();
    });
}

} // namespace tcv::geometry
