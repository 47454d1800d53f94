// SPDX-License-Identifier: MIT
#include "window/runcount.h"

#include "engine/convert/artconversion.h"

void RunCount::Add(const ArtConversion &conversion)
{
    switch (conversion.outcome) {
    case ArtOutcome::Resized:
    case ArtOutcome::SpaceFreed:
    case ArtOutcome::PictureAdded: ++done; break;
    case ArtOutcome::SaveFailed:
    case ArtOutcome::TooLarge:
    case ArtOutcome::LowDriveSpace:
    case ArtOutcome::FileMissing: ++failed; break;
    // A picture that is there but cannot be read failed; no picture at all
    // is nothing to do.
    case ArtOutcome::NoPicture: conversion.reason.isEmpty() ? ++skipped : ++failed; break;
    case ArtOutcome::Skipped:
    case ArtOutcome::Stopped: ++skipped; break;
    }
}

QString RunCount::Text(const QString &format) const
{
    return format.arg(done).arg(failed).arg(skipped);
}
