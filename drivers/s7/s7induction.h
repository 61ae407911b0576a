#pragma once

#include "induction.h"
#include "s7address.h"
#include "s7protocol.h"

#include <QList>

// Grouping of the polled labels into read jobs: labels of one area and data block that lie
// close together share one item, and items share a job as far as the PDU allows.
namespace S7 {

// Labels this close (in bytes) are read as one range: a gap of up to 4 bytes costs no more
// reply bytes than the header of another item, which also costs 12 request bytes.
constexpr int mergeGapBytes = 4;

// One polled label as the planner sees it.
struct PlannedLabel
{
    Induction::SReadInfo info;
    Address address;
    int bytes = 0;
    int status = 0; // 0 readable; else the status it gets without a request (2 or 5)
};

// One read job: its items and, per item, the labels (indices into ReadPlan::labels) it holds.
struct PlannedJob
{
    QList<ReadItem> items;
    QList<QList<int>> members;
};

struct ReadPlan
{
    QList<PlannedLabel> labels; // every distinct record once
    QList<PlannedJob> jobs;
    QList<int> unreadable; // labels answered without a request
};

PlannedLabel planLabel(const Induction::SReadInfo &info);
ReadPlan planReads(const QList<Induction::SReadInfo> &records, int pdu);

} // namespace S7
