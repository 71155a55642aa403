// Work the server hands to a process of its own, which it kills as soon as the request's budget ends it.
// STEP files: the STEP translator keeps process-wide state, so a process writes one STEP file at a time,
// and a server that wrote them itself would hold every other STEP export up behind a slow one; each runs
// `checkvalve eval PART --step FILE` instead. Shapes with a face the mesher would take long over: the
// mesher looks at the budget only between faces, so they are meshed by `checkvalve mesh-shape`.
#pragma once

#include <string>

#include "tarncheckvalve/exports/Formats.h"
#include "tarncheckvalve/exports/IsolatedMesh.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::cli {

// The file in `format` of the one part `partJson` holds (catalogue JSON), written by a child process of
// this program under the budget's limits. Raises exports::ExportError with the child's reason when it
// makes no file, and refhost::WorkStopped when the budget ends the work first (the child is then killed).
std::string renderInChild(const exports::ExportFormat& format, const std::string& partJson,
                          const refhost::WorkBudget& budget);

// The hidden command that meshes one shape file for meshInChild (exports::meshShapeFile).
inline constexpr const char* kMeshShapeCommand = "mesh-shape";

// An exports::IsolatedMesher: the shape meshed by `checkvalve mesh-shape` in a child process, which is
// killed as soon as the budget ends the work (no budget: run to its end).
void meshInChild(const exports::IsolatedMeshJob& job, const refhost::WorkBudget* budget);

} // namespace tcv::cli
