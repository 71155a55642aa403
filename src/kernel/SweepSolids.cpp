// Sweeps in the kernel: the straight pieces, bends and balls of a tube along a polyline are the kernel's
// primitives; any other sweep is a pipe shell that keeps the section's shape round the corners.
#include <BRepBuilderAPI_TransitionMode.hxx>
#include <BRepOffsetAPI_MakePipeShell.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <gp_Ax2.hxx>

#include "Constructions.h"
#include "tarncheckvalve/kernel/KernelGuard.h"
#include "tarncheckvalve/kernel/WorkProgress.h"

namespace tcv::kernel {

using namespace tcv::refhost;

namespace {

constexpr const char* kWhat = "sweep";

} // namespace

TopoDS_Shape buildSweepPiece(const SweepPiece& piece, const RefCurve& path, const RefCurve& section) {
    switch (piece.kind) {
    case SweepPiece::Kind::Straight: {
        gp_Ax2 placement(gp_Pnt(xyz(piece.origin)), gp_Dir(xyz(piece.direction)));
        return checkedShape(kWhat, BRepPrimAPI_MakeCylinder(placement, piece.tubeRadius, piece.extent).Shape(), true,
                            ShapeCheck::Trusted);
    }
    case SweepPiece::Kind::Bend: {
        gp_Ax2 placement(gp_Pnt(xyz(piece.origin)), gp_Dir(xyz(piece.direction)), gp_Dir(xyz(piece.xAxis)));
        return checkedShape(kWhat,
                            BRepPrimAPI_MakeTorus(placement, piece.bendRadius, piece.tubeRadius, piece.extent).Shape(),
                            true, ShapeCheck::Trusted);
    }
    case SweepPiece::Kind::Ball:
        return checkedShape(kWhat, BRepPrimAPI_MakeSphere(gp_Pnt(xyz(piece.origin)), piece.tubeRadius).Shape(), true,
                            ShapeCheck::Trusted);
    case SweepPiece::Kind::Pipe:
        break;
    }
    // Any other section or path: a pipe shell that keeps the section's shape round the corners.
    BRepOffsetAPI_MakePipeShell pipe(curveWire(path));
    pipe.SetTransitionMode(BRepBuilderAPI_RoundCorner);
    pipe.Add(curveWire(section));
    WorkProgressRange progress(currentBudget());
    pipe.Build(progress.range());
    if (!pipe.IsDone()) refuse(kWhat, "the geometry kernel cannot sweep the section along the path");
    if (piece.solid && !pipe.MakeSolid()) refuse(kWhat, "the geometry kernel cannot close the swept solid");
    return checkedShape(kWhat, pipe.Shape(), piece.solid, ShapeCheck::Full);
}

} // namespace tcv::kernel
