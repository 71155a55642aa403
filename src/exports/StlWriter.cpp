// Binary STL of the Physical aspect: every triangle of every shape the aspect draws, in metres.
#include <cstdint>
#include <cstring>

#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>
#include <gp_Vec.hxx>

#include "DocumentModel.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/exports/StagedFile.h"
#include "tarncheckvalve/kernel/KernelGuard.h"

namespace tcv::exports {

namespace {

constexpr const char* kStlAspect = contract::aspectName(contract::Aspect::Physical).data();

void appendFloat(std::string& bytes, double value) {
    const auto single = static_cast<float>(value);
    char buffer[sizeof single];
    std::memcpy(buffer, &single, sizeof single);
    bytes.append(buffer, sizeof single);
}

void appendPoint(std::string& bytes, const gp_XYZ& point) {
    appendFloat(bytes, point.X());
    appendFloat(bytes, point.Y());
    appendFloat(bytes, point.Z());
}

// Appends the 50-byte records of a shape's triangles, outward normals first, counting them.
void appendTriangles(std::string& records, std::uint32_t& count, const TopoDS_Shape& shape) {
    for (TopExp_Explorer faces(shape, TopAbs_FACE); faces.More(); faces.Next()) {
        const TopoDS_Face& face = TopoDS::Face(faces.Current());
        TopLoc_Location location;
        const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(face, location);
        if (mesh.IsNull()) continue;
        const gp_Trsf placement = location.Transformation();
        const bool reversed = face.Orientation() == TopAbs_REVERSED;
        for (Standard_Integer t = 1; t <= mesh->NbTriangles(); ++t) {
            Standard_Integer a, b, c;
            mesh->Triangle(t).Get(a, b, c);
            if (reversed) std::swap(b, c);
            const gp_XYZ p1 = mesh->Node(a).Transformed(placement).XYZ();
            const gp_XYZ p2 = mesh->Node(b).Transformed(placement).XYZ();
            const gp_XYZ p3 = mesh->Node(c).Transformed(placement).XYZ();
            gp_XYZ normal = (p2 - p1).Crossed(p3 - p1);
            const double length = normal.Modulus();
            if (length > 0) normal /= length;
            appendPoint(records, normal);
            appendPoint(records, p1);
            appendPoint(records, p2);
            appendPoint(records, p3);
            records.append(2, '\0'); // attribute byte count
            ++count;
        }
    }
}

} // namespace

std::string ExportDocument::renderStl() {
    std::string records;
    std::uint32_t count = 0;
    std::string title = "TarnCheckValve Physical, metres:";
    const refhost::BudgetScope budget(impl_->budget());
    try {
        kernel::runGuarded("writing STL", [&] {
            impl_->ensureMeshed();
            for (const auto& part : impl_->parts) {
                title += " " + part.name;
                for (const auto& aspect : part.aspects) {
                    if (aspect.name != kStlAspect) continue;
                    for (const auto& output : aspect.outputs)
                        for (const auto& shape : output.shapes) appendTriangles(records, count, shape);
                }
            }
        });
    } catch (const host::HostError& error) {
        throw ExportError(error.what());
    }

    // An 80-byte header (which must not begin with "solid", the mark of text STL), the triangle count
    // and the records.
    std::string bytes = title.substr(0, 80);
    bytes.resize(80, ' ');
    char countBytes[sizeof count];
    std::memcpy(countBytes, &count, sizeof count);
    bytes.append(countBytes, sizeof count);
    bytes += records;
    return bytes;
}

void ExportDocument::writeStl(const std::string& path) {
    writeRenderedStaged(path, "STL", [&](const std::string&) { return renderStl(); });
}

} // namespace tcv::exports
