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

    // First fit, largest ranges first, within the PDU's item count and reply size.
    std::stable_sort(ranges.begin(), ranges.end(), [](const Range &a, const Range &b) {
        return a.item.byteCount > b.item.byteCount;
    });
    const int maxItems = maxReadItems(pdu);
    QList<Job> jobs;
    for (const Range &range : ranges) {
        auto fits = [&](const Job &job) {
            return job.ranges.size() < maxItems && job.replyBytes + replyCost(range) <= pdu;
        };
        auto it = std::find_if(jobs.begin(), jobs.end(), fits);
        if (it == jobs.end()) {
            jobs.append(Job());
            it = jobs.end() - 1;
        }
        it->ranges.append(range);
        it->replyBytes += replyCost(range);
    }

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
