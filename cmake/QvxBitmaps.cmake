# qvx_embed_bitmaps(<target>)
# Links the images drawn by the artwork program (tools/artwork) into
# <target>: their PNG bytes are compiled into an object that registers them
# with the toolkit at load, so CBitmap(id) finds them without files.
function(qvx_embed_bitmaps target)
  target_link_libraries(${target} PRIVATE qvx_bitmaps qvx_gui)
endfunction()
