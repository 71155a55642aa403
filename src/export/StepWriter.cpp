// STEP AP214 from the assembly document: names and colours of every label, lengths in metres.
#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_StepModelType.hxx>
#include <StepData_StepModel.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <TCollection_HAsciiString.hxx>
#include <XSControl_WorkSession.hxx>

#if defined(__SANITIZE_ADDRESS__)
#define TCV_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TCV_LEAK_CHECKED 1
#endif
#endif
#ifdef TCV_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

#include "DocumentModel.h"
#include "export/StagedFile.h"
#include "kernel/KernelGuard.h"
#include "kernel/WorkProgress.h"

namespace tcv::exports {

namespace {

constexpr double kMillimetresPerMetre = 1000.0;

// The STEP translator keeps its parameters in process-wide statics: one writer at a time.
std::mutex& stepMutex() {
    static std::mutex mutex;
    return mutex;
}

// The translator sets up its parameter tables, editors and default axis on first use and keeps them for
// the life of the process, out of the leak checker's sight. In leak-checked builds, what the translator
// allocates while writing is therefore not reported; the project's own allocations are outside.
class TranslatorAllocations {
public:
    TranslatorAllocations() {
#ifdef TCV_LEAK_CHECKED
        __lsan_disable();
#endif
    }
    ~TranslatorAllocations() {
#ifdef TCV_LEAK_CHECKED
        __lsan_enable();
#endif
    }
    TranslatorAllocations(const TranslatorAllocations&) = delete;
    TranslatorAllocations& operator=(const TranslatorAllocations&) = delete;
};

// The translator numbers the assembly usages it makes with a counter it keeps for the life of the
// process, so the same document written later in a process would carry other numbers. Numbered from 1 in
// the counter's order, every file is what a fresh process writes.
void numberAssemblyUsagesFromOne(StepData_StepModel& model) {
    std::vector<std::pair<long, Handle(StepRepr_NextAssemblyUsageOccurrence)>> usages;
    for (Standard_Integer i = 1; i <= model.NbEntities(); ++i) {
        Handle(StepRepr_NextAssemblyUsageOccurrence) usage =
            Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(model.Value(i));
        if (usage.IsNull() || usage->Id().IsNull() || !usage->Id()->IsIntegerValue()) continue;
        usages.emplace_back(usage->Id()->IntegerValue(), usage);
    }
    if (usages.empty()) return;
    long first = usages.front().first;
    for (const auto& usage : usages) first = std::min(first, usage.first);
    for (const auto& [number, usage] : usages)
        usage->SetId(new TCollection_HAsciiString(static_cast<Standard_Integer>(number - first + 1)));
}

} // namespace

std::string ExportDocument::renderStep() const {
    // The translator writes by name only: into a folder of this render's own.
    const ScratchFolder scratch;
    const std::string scratchPath = scratch.path("part.step");
    try {
        const refhost::BudgetScope budget(impl_->budget());
        std::lock_guard<std::mutex> lock(stepMutex());
        refhost::runGuarded("writing STEP", [&] {
            const TranslatorAllocations translator;
            STEPCAFControl_Writer writer;
            // Set after the writer exists: constructing it first initialises the translator's defaults.
            Interface_Static::SetCVal("write.step.schema", "AP214IS");
            Interface_Static::SetCVal("write.step.unit", "M");
            // The translator scales coordinates by the document's unit over the file's unit. The model
            // made with the writer took the file's unit from the settings as they were then (whatever
            // the last reader or writer left), so it is given metres here; the document says metres.
            Handle(StepData_StepModel) model =
                Handle(StepData_StepModel)::DownCast(writer.ChangeWriter().WS()->Model());
            if (model.IsNull()) throw ExportError("the STEP translator has no model to write");
            model->SetWriteLengthUnit(kMillimetresPerMetre);
            writer.SetNameMode(Standard_True);
            writer.SetColorMode(Standard_True);
            refhost::WorkProgressRange progress(impl_->budget());
            if (!writer.Transfer(impl_->document, STEPControl_AsIs, nullptr, progress.range()))
                throw ExportError("the STEP translator refused the document");
            numberAssemblyUsagesFromOne(*model);
            if (writer.Write(scratchPath.c_str()) != IFSelect_RetDone)
                throw ExportError("the STEP translator could not write the file");
        });
    } catch (const host::HostError& error) {
        throw ExportError(error.what());
    }
    return readFileBytes(scratchPath);
}

void ExportDocument::writeStep(const std::string& path) const {
    StagedFile file(path, "STEP");
    std::string bytes;
    try {
        bytes = renderStep();
    } catch (const ExportError& error) {
        file.fail(error.what());
    }
    file.write(bytes);
    file.commit();
}

} // namespace tcv::exports
