#include "tarncheckvalve/exports/MeshCache.h"

#include <bit>
#include <sstream>

#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include "MeshCacheImpl.h"

namespace tcv::exports {

namespace {

std::vector<TopoDS_Face> facesOf(const TopoDS_Shape& shape) {
    std::vector<TopoDS_Face> faces;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) faces.push_back(TopoDS::Face(it.Current()));
    return faces;
}

std::size_t bytesOf(const Handle(Poly_Triangulation) & triangulation) {
    if (triangulation.IsNull()) return 0;
    const auto nodes = static_cast<std::size_t>(triangulation->NbNodes());
    const auto triangles = static_cast<std::size_t>(triangulation->NbTriangles());
    return nodes * (3 * sizeof(double) + (triangulation->HasUVNodes() ? 2 * sizeof(double) : 0)) +
           triangles * 3 * sizeof(int) + sizeof(Poly_Triangulation);
}

} // namespace

MeshCache::MeshCache(std::size_t byteBudget) : impl_(std::make_unique<Impl>()) { impl_->budget = byteBudget; }
MeshCache::~MeshCache() = default;

MeshCache::Counts MeshCache::counts() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    Counts counts = impl_->counts;
    counts.shapes = impl_->entries.size();
    return counts;
}

std::string MeshCache::Impl::keyOf(const TopoDS_Shape& shape, double linearDeflection, double angularDeflection) {
    std::ostringstream text;
    text << std::bit_cast<std::uint64_t>(linearDeflection) << ' ' << std::bit_cast<std::uint64_t>(angularDeflection)
         << '\n';
    BRepTools::Write(shape.Located(TopLoc_Location()), text, Standard_False, Standard_False,
                     TopTools_FormatVersion_CURRENT);
    return std::move(text).str();
}

bool MeshCache::Impl::apply(const std::string& key, const TopoDS_Shape& shape) {
    const std::vector<TopoDS_Face> faces = facesOf(shape);
    std::vector<Handle(Poly_Triangulation)> kept;
    {
        std::lock_guard<std::mutex> lock(mutex);
        const auto found = index.find(key);
        if (found == index.end() || found->second->faces.size() != faces.size()) {
            ++counts.misses;
            return false;
        }
        entries.splice(entries.begin(), entries, found->second);
        kept = found->second->faces;
        ++counts.hits;
    }
    BRep_Builder builder;
    for (std::size_t i = 0; i < faces.size(); ++i) builder.UpdateFace(faces[i], kept[i]);
    return true;
}

void MeshCache::Impl::keep(const std::string& key, const TopoDS_Shape& shape) {
    Entry entry{key, {}, key.size()};
    for (const auto& face : facesOf(shape)) {
        TopLoc_Location location;
        Handle(Poly_Triangulation) triangulation = BRep_Tool::Triangulation(face, location);
        if (triangulation.IsNull()) return; // a face the mesher left bare: nothing worth keeping
        entry.bytes += bytesOf(triangulation);
        entry.faces.push_back(triangulation);
    }
    if (entry.bytes > budget) return;
    std::lock_guard<std::mutex> lock(mutex);
    if (index.count(key)) return;
    counts.bytes += entry.bytes;
    entries.push_front(std::move(entry));
    index.emplace(key, entries.begin());
    while (counts.bytes > budget && !entries.empty()) {
        counts.bytes -= entries.back().bytes;
        index.erase(entries.back().key);
        entries.pop_back();
    }
}

} // namespace tcv::exports
