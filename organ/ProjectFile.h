#pragma once

#include "organ/ProjectImage.h"

#include <juce_core/juce_core.h>

#include <array>
#include <optional>

/** Project files (.HOP): the 416 bytes of a ProjectImage, read back into the editor's image. */
namespace orvane
{
/** Whether the file's extension is ".hop" in any mix of case. */
bool hasProjectExtension (const juce::File& file);

/** The identity and values that a project file carries. */
struct ProjectFileContent
{
    int32_t modelIndex = 0;
    int32_t hardwareRevision = 0;
    std::array<float, numParameters> values {};
};

/** A project file's bytes, or nothing when they are not a whole project image: a wrong magic
    number, or fewer than 416 bytes (a truncated file would bring values that were never saved).
    Bytes after the first 416 are ignored; the version and parameter count are not checked. */
std::optional<ProjectFileContent> readProjectFile (const void* data, size_t size);

/** How many values an opened project brings: the model without Additional Functions (3) has
    only the first 85, whether it is the file's model or the current one. */
int projectValueCount (int32_t fileModelIndex, int32_t currentModelIndex);

/** Puts an opened project into the image: its values (as many as projectValueCount allows, the
    rest keep theirs) and, when `takeIdentity`, its model and revision. */
void applyProjectFile (const ProjectFileContent& content, ProjectImage& image, bool takeIdentity);

/** Writes the image to `target` as a whole: into a hidden temporary file beside it, which then
    replaces it. When anything fails the target keeps its former content; returns success. */
bool writeProjectFile (const ProjectImage& image, const juce::File& target);
}   // namespace orvane
