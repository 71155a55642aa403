// Meshing that the budget can end at once. The mesher looks at the budget between faces only, so one face
// that takes long to triangulate (a body hundreds of metres long at its fine detail) would keep a thread
// busy long after its request was cancelled or its time was up. A host that can run processes of its own
// (the server) meshes such shapes in one, which it kills when the budget ends: the exporter writes the
// shape to a file, the host runs meshShapeFile on it in the other process, and the exporter puts the
// triangles written back on its own shape's faces. The triangles are those the exporter would have made.
#pragma once

#include <functional>
#include <string>

#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::exports {

// A shape whose largest face is estimated at more triangles than this is meshed by the isolated mesher,
// where one is given; below it a face takes the mesher a few tens of milliseconds at most.
inline constexpr double kIsolatedFaceTriangles = 8000;

// One shape to mesh elsewhere: read from `shapeFile`, meshed at the deflections (metres, radians) as a
// copy of it `size` across, written with its triangles to `meshedFile`.
struct IsolatedMeshJob {
    std::string shapeFile;
    std::string meshedFile;
    double size = 0;
    double linearDeflection = 0;
    double angularDeflection = 0;
};

// Runs meshShapeFile for the job where the budget can end it at once. Raises refhost::WorkStopped when
// the budget ended it, ExportError when it failed.
using IsolatedMesher = std::function<void(const IsolatedMeshJob& job, const refhost::WorkBudget* budget)>;

// The other process's side of a job. Raises ExportError when the shape cannot be read, meshed or written.
TCV_EXPORT void meshShapeFile(const IsolatedMeshJob& job);

} // namespace tcv::exports
