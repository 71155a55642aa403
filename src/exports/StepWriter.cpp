// STEP AP214 from the assembly document: names and colours of every label, lengths in metres.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include <APIHeaderSection_MakeHeader.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <Interface_EntityIterator.hxx>
#include <Interface_GTool.hxx>
#include <Interface_GeneralModule.hxx>
#include <Interface_Static.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_StepModelType.hxx>
#include <StepData_StepModel.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <StepVisual_MechanicalDesignGeometricPresentationRepresentation.hxx>
#include <TCollection_ExtendedString.hxx>
#include <TCollection_HAsciiString.hxx>
#include <TDataStd_Name.hxx>
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
#include "tarncheckvalve/exports/IfcWriter.h"
#include "tarncheckvalve/exports/StagedFile.h"
#include "tarncheckvalve/host/Version.h"
#include "tarncheckvalve/kernel/KernelGuard.h"
#include "tarncheckvalve/kernel/WorkProgress.h"

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

// The entities an entity refers to, in the order of its fields.
std::vector<Handle(Standard_Transient)> referencesOf(const StepData_StepModel& model,
                                                     const Handle(Standard_Transient) & entity) {
    std::vector<Handle(Standard_Transient)> references;
    Handle(Interface_GeneralModule) module;
    Standard_Integer caseNumber = 0;
    if (model.GTool().IsNull() || !model.GTool()->Select(entity, module, caseNumber)) return references;
    Interface_EntityIterator shared;
    module->FillSharedCase(caseNumber, entity, shared);
    for (shared.Start(); shared.More(); shared.Next()) references.push_back(shared.Value());
    return references;
}

// The translator writes the colours last, one presentation per shape representation, in the order of a
// table hashed by memory address: the same document came out in another order from run to run. The
// presentations are put in the order of the entities they style (numbered before them, in the order of
// the document), each followed by its own style entities, so that a document always gives the same file.
void orderPresentationsCanonically(StepData_StepModel& model) {
    const Standard_Integer count = model.NbEntities();
    Standard_Integer tailStart = 0;
    std::vector<Handle(Standard_Transient)> presentations;
    for (Standard_Integer i = 1; i <= count; ++i) {
        if (!model.Value(i)->IsKind(STANDARD_TYPE(StepVisual_MechanicalDesignGeometricPresentationRepresentation)))
            continue;
        if (tailStart == 0) tailStart = i;
        presentations.push_back(model.Value(i));
    }
    if (presentations.size() < 2) return;

    // Walks an entity's references depth first, field by field; the numbers of the entities outside the
    // presentations' block are the walk's key, those inside are listed in the order met.
    auto walk = [&](const Handle(Standard_Transient) & root, std::vector<Standard_Integer> & key,
                    std::vector<Handle(Standard_Transient)> * order,
                    NCollection_Map<Handle(Standard_Transient)> & seen) {
        std::vector<Handle(Standard_Transient)> stack{root};
        while (!stack.empty()) {
            Handle(Standard_Transient) entity = stack.back();
            stack.pop_back();
            const Standard_Integer number = model.Number(entity);
            if (number > 0 && number < tailStart) {
                key.push_back(number);
                continue;
            }
            if (!seen.Add(entity)) continue;
            if (order != nullptr) order->push_back(entity);
            const auto references = referencesOf(model, entity);
            stack.insert(stack.end(), references.rbegin(), references.rend());
        }
    };

    std::vector<std::pair<std::vector<Standard_Integer>, Handle(Standard_Transient)>> keyed;
    for (const auto& presentation : presentations) {
        std::vector<Standard_Integer> key;
        NCollection_Map<Handle(Standard_Transient)> seen;
        walk(presentation, key, nullptr, seen);
        keyed.emplace_back(std::move(key), presentation);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<Handle(Standard_Transient)> order;
    NCollection_Map<Handle(Standard_Transient)> seen;
    for (const auto& [key, presentation] : keyed) {
        std::vector<Standard_Integer> unused;
        walk(presentation, unused, &order, seen);
    }
    // Entities of the block that no presentation refers to keep their place after the presentations.
    for (Standard_Integer i = tailStart; i <= count; ++i)
        if (!seen.Contains(model.Value(i))) order.push_back(model.Value(i));

    // Renumbered in one pass: the model is given its entities again in the new order (moving them one by
    // one renumbers the whole model each time).
    Interface_EntityIterator renumbered;
    for (Standard_Integer i = 1; i < tailStart; ++i) renumbered.AddItem(model.Value(i));
    for (const auto& entity : order) renumbered.AddItem(entity);
    model.GetFromTransfer(renumbered);
}

// Whether the translator writes a name as ISO 10303-21 asks: it copies a label's name into the file byte
// for byte (apostrophes and backslashes doubled), only up to a NUL byte and without the blanks at either
// end, so only a name of printable ASCII that neither begins nor ends with a space comes out right.
bool writtenAsIs(const std::string& name) {
    if (name.empty()) return true; // the translator leaves an unnamed label's product as it made it
    if (name.front() == ' ' || name.back() == ' ') return false;
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// While the translator transfers the document, every label whose name it would not write right carries a
// stand-in: a number between two U+0001 characters, which no name written as is can hold. literals()
// maps the stand-in's string literal, as the translator writes it, to the name's literal as the standard
// asks (p21::string: UTF-16 in \X2\...\X0\, a NUL kept). The labels get their names back when the
// stand-ins go out of scope.
class StandInNames {
public:
    explicit StandInNames(const LabelNames& names) {
        std::map<std::string, std::string> standInOf;
        for (const auto& [label, name] : names) {
            Handle(TDataStd_Name) attribute;
            if (writtenAsIs(name) || !label.FindAttribute(TDataStd_Name::GetID(), attribute)) continue;
            auto [entry, added] = standInOf.try_emplace(name);
            if (added) {
                entry->second = "\x01" + std::to_string(standInOf.size()) + "\x01";
                literals_.emplace("'" + entry->second + "'", p21::string(name));
            }
            saved_.emplace_back(attribute, attribute->Get());
            attribute->Set(TCollection_ExtendedString(entry->second.c_str()));
        }
    }
    ~StandInNames() {
        for (const auto& [attribute, name] : saved_) attribute->Set(name);
    }
    StandInNames(const StandInNames&) = delete;
    StandInNames& operator=(const StandInNames&) = delete;

    // Stand-in literal -> the name's literal.
    const std::map<std::string, std::string, std::less<>>& literals() const { return literals_; }

private:
    std::vector<std::pair<Handle(TDataStd_Name), TCollection_ExtendedString>> saved_;
    std::map<std::string, std::string, std::less<>> literals_;
};

// A string literal as the translator writes it ('it''s') -> its UTF-8 text: doubled apostrophes and
// backslashes made single, the line breaks it puts into long strings left out.
std::string translatorLiteralText(std::string_view literal) {
    std::string text;
    for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
        const char c = literal[i];
        if (c == '\r' || c == '\n') continue;
        text += c;
        if ((c == '\'' || c == '\\') && i + 2 < literal.size() && literal[i + 1] == c) ++i;
    }
    return text;
}

// The written file with every string literal in the standard's encoding: a stand-in's replaced by its
// name's, any other holding more than printable ASCII (the translator copies bytes raw) decoded and
// encoded again. Literals of printable ASCII and everything outside literals stay as written.
std::string encodeStrings(const std::string& written, const std::map<std::string, std::string, std::less<>>& names) {
    const auto printable = [](std::string_view literal) {
        return std::all_of(literal.begin(), literal.end(),
                           [](char c) { return (c >= 0x20 && c <= 0x7E) || c == '\n' || c == '\r'; });
    };
    std::string text;
    text.reserve(written.size());
    std::size_t at = 0;
    while (at < written.size()) {
        const std::size_t open = written.find('\'', at);
        if (open == std::string::npos) break;
        // A literal ends at an apostrophe not doubled.
        std::size_t close = open + 1;
        while ((close = written.find('\'', close)) != std::string::npos && close + 1 < written.size() &&
               written[close + 1] == '\'')
            close += 2;
        if (close == std::string::npos) break;
        text.append(written, at, open - at);
        const std::string_view literal(written.data() + open, close + 1 - open);
        if (const auto name = names.find(literal); name != names.end())
            text += name->second;
        else if (printable(literal))
            text += literal;
        else
            text += p21::string(translatorLiteralText(literal));
        at = close + 1;
    }
    text.append(written, at);
    return text;
}

// The file's time stamp: the moment given by SOURCE_DATE_EPOCH where it is set, the present otherwise.
std::string stepTimeStamp() {
    const std::string stamp = p21::isoTimeStamp(p21::fileMoment());
    return stamp.substr(0, stamp.size() - 6); // written without its zone, as the translator has it
}

// Names this program as the file's originating system and stamps the file.
void stampHeader(const Handle(StepData_StepModel) & model) {
    APIHeaderSection_MakeHeader header(model);
    header.SetOriginatingSystem(new TCollection_HAsciiString("TarnCheckValve " TCV_VERSION_STRING));
    header.SetTimeStamp(new TCollection_HAsciiString(stepTimeStamp().c_str()));
}

} // namespace

std::string ExportDocument::renderStep() const {
    // The translator writes by name only: into a folder of this render's own.
    const ScratchFolder scratch;
    const std::string scratchPath = scratch.path("part.step");
    std::map<std::string, std::string, std::less<>> names;
    try {
        const refhost::BudgetScope budget(impl_->budget());
        std::lock_guard<std::mutex> lock(stepMutex());
        kernel::runGuarded("writing STEP", [&] {
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
            kernel::WorkProgressRange progress(impl_->budget());
            {
                // The document is this thread's alone (Export.h): its names change for the transfer only.
                const StandInNames standIns(impl_->labelNames);
                if (!writer.Transfer(impl_->document, STEPControl_AsIs, nullptr, progress.range()))
                    throw ExportError("the STEP translator refused the document");
                names = standIns.literals();
            }
            numberAssemblyUsagesFromOne(*model);
            orderPresentationsCanonically(*model);
            stampHeader(model);
            if (writer.Write(scratchPath.c_str()) != IFSelect_RetDone)
                throw ExportError("the STEP translator could not write the file");
        });
    } catch (const host::HostError& error) {
        throw ExportError(error.what());
    }
    return encodeStrings(readFileBytes(scratchPath), names);
}

void ExportDocument::writeStep(const std::string& path) const {
    writeRenderedStaged(path, "STEP", [&](const std::string&) { return renderStep(); });
}

} // namespace tcv::exports
