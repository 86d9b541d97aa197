# The application icon in the hicolor icon theme: the SVG as drawn, and PNG
# renderings of it at the sizes that menus, docks and software centres ask
# for. The PNGs are made at build time so that the SVG stays the one source.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

set(icon_svg ${CMAKE_CURRENT_SOURCE_DIR}/images/velmor-merger.svg)
set(icon_pngs)
foreach(size 16 32 48 64 128 256)
    set(icon_dir ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}x${size})
    add_custom_command(OUTPUT ${icon_dir}/velmor-merger.png
        COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
        COMMAND ${RSVG_CONVERT} --width ${size} --height ${size}
                --output ${icon_dir}/velmor-merger.png ${icon_svg}
        DEPENDS ${icon_svg}
        COMMENT "Rendering the ${size}x${size} application icon"
        VERBATIM)
    list(APPEND icon_pngs ${icon_dir}/velmor-merger.png)
    install(FILES ${icon_dir}/velmor-merger.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(velmor-merger-icons ALL DEPENDS ${icon_pngs})

install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
