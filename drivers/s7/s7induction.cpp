#include "s7induction.h"

#include "datatype.h"
#include "labelvariable.h"

#include <QMap>
#include <algorithm>

namespace S7 {

namespace {

struct Range
{
    ReadItem item;
    QList<int> members;
};

struct Job
{
    QList<Range> ranges;
    int replyBytes = 14; // ack header 12 + parameter 2
};

// Reply bytes a range adds, counting the pad byte an odd item may need.
int replyCost(const Range &range)
{
    return 4 + range.item.byteCount + (range.item.byteCount % 2);
}

} // namespace

PlannedLabel planLabel(const Induction::SReadInfo &info)
{
    PlannedLabel label;
    label.info = info;
    label.address = parseAddress(info.name);
    label.bytes = byteLength(info.type, 1);
    if (!label.address.valid || label.address.byteAddress + 1 > maxByteAddress)
        label.status = LabelStatus::AddressOutOfRange;
    else if (label.bytes == 0)
        label.status = LabelStatus::TypeNotSupported;
    return label;
}

ReadPlan planReads(const QList<Induction::SReadInfo> &records, int pdu)
{
    ReadPlan plan;
    QMap<Induction::SReadInfo, int> seen;
    QList<int> readable;
    for (const Induction::SReadInfo &info : records) {
        if (seen.contains(info))
            continue;
        seen.insert(info, plan.labels.size());
        const PlannedLabel label = planLabel(info);
        (label.status == 0 ? readable : plan.unreadable).append(plan.labels.size());
        plan.labels.append(label);
    }

    const auto key = [&](int i) {
        const Address &a = plan.labels.at(i).address;
        return std::make_tuple(a.area, wireDbNumber(a.area, a.dbNumber), a.byteAddress,
                               plan.labels.at(i).bytes);
    };
    std::stable_sort(readable.begin(), readable.end(),
                     [&](int a, int b) { return key(a) < key(b); });

    // Neighbours merge into ranges no longer than one reply can carry.
    const int maxBytes = maxReadBytes(pdu);
    QList<Range> ranges;
    for (int i : readable) {
        const Address &a = plan.labels.at(i).address;
        const int db = wireDbNumber(a.area, a.dbNumber);
        const int end = a.byteAddress + plan.labels.at(i).bytes;
        if (!ranges.isEmpty()) {
            Range &last = ranges.last();
            const int lastEnd = last.item.byteAddress + last.item.byteCount;
            if (last.item.area == a.area && last.item.dbNumber == db
                && a.byteAddress <= lastEnd + mergeGapBytes
                && qMax(end, lastEnd) - last.item.byteAddress <= maxBytes) {
                last.item.byteCount = qMax(end, lastEnd) - last.item.byteAddress;
                last.members.append(i);
                continue;
            }
        }
        ranges.append(Range{ReadItem{a.area, db, a.byteAddress, end - a.byteAddress}, {i}});
    }

    // Ranges fill the jobs in address order; one that does not fit whole is cut between two
    // of its labels so that its first part fills the job, and the rest opens the next.
    const int maxItems = maxReadItems(pdu);
    QList<Job> jobs{Job()};
    const auto span = [&](const QList<int> &members) {
        int from = maxByteAddress + 1, to = 0;
        for (int m : members) {
            from = qMin(from, plan.labels.at(m).address.byteAddress);
            to = qMax(to, plan.labels.at(m).address.byteAddress + plan.labels.at(m).bytes);
        }
        return qMakePair(from, to);
    };
    const auto add = [&](Job &job, ReadItem item, const QList<int> &members) {
        const auto [from, to] = span(members);
        item.byteAddress = from;
        item.byteCount = to - from;
        job.ranges.append(Range{item, members});
        job.replyBytes += replyCost(job.ranges.last());
    };
    for (Range range : ranges) {
        for (;;) {
            Job &job = jobs.last();
            const bool roomForItem = job.ranges.size() < maxItems;
            // An empty job takes any range: alone it is the last item, which has no pad byte.
            if (roomForItem && (job.ranges.isEmpty() || job.replyBytes + replyCost(range) <= pdu)) {
                add(job, range.item, range.members);
                break;
            }
            // The longest run of leading labels that still fits (one pad byte allowed for).
            const int room = pdu - job.replyBytes - 4 - 1;
            int cut = 0;
            while (roomForItem && cut < range.members.size() - 1) {
                const auto [from, to] = span(range.members.mid(0, cut + 1));
                if (to - from > room)
                    break;
                ++cut;
            }
            if (cut > 0) {
                add(job, range.item, range.members.mid(0, cut));
                range.members = range.members.mid(cut);
                const auto [from, to] = span(range.members);
                range.item.byteAddress = from;
                range.item.byteCount = to - from;
            }
            jobs.append(Job());
        }
    }
    if (jobs.last().ranges.isEmpty())
        jobs.removeLast();

    for (Job &job : jobs) {
        std::sort(job.ranges.begin(), job.ranges.end(), [](const Range &a, const Range &b) {
            return std::make_tuple(a.item.area, a.item.dbNumber, a.item.byteAddress)
                   < std::make_tuple(b.item.area, b.item.dbNumber, b.item.byteAddress);
        });
        PlannedJob planned;
        for (const Range &range : job.ranges) {
            planned.items.append(range.item);
            planned.members.append(range.members);
        }
        plan.jobs.append(planned);
    }
    return plan;
}

} // namespace S7
