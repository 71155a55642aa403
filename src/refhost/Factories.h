// The reference host's objects behind RefRuntime's creations, each made in its own source file of this
// layer.
#pragma once

#include <memory>

#include "tarncheckvalve/host/Geometry.h"
#include "tarncheckvalve/host/Occurrence.h"
#include "tarncheckvalve/host/Piping.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/refhost/ConstructionMemo.h"
#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::refhost {

// A factory given a memo hands out the shape built earlier for a creation the memo has seen.
host::GeometryFactoryPtr makeGeometryFactory(const HostOptions& options,
                                             std::shared_ptr<ConstructionMemo> built = nullptr);
host::SymbolFactoryPtr makeSymbolFactory(const HostOptions& options);
host::CollectionPtr makeCollection();
host::NozzleFactoryPtr makeNozzleFactory(const HostOptions& options);
host::SymbolUtilitiesPtr makeSymbolUtilities(const HostOptions& options);
host::ContextPtr makeContext(const HostOptions& options);
host::ChildOccurrenceServicePtr makeChildOccurrenceService(const HostOptions& options);
host::ArgumentPtr makeArgument();

} // namespace tcv::refhost
